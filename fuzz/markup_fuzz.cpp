// Markup::render_said and render_plain on arbitrary text: every span lies
// inside the rendered text, names are inserted whole, text without markers
// comes out as it went in, and one render of the input repeated to 64 KiB
// stays within a time budget, so that a scan whose cost grows with the
// square of the line fails here.
//
// The input is split at its first NUL: the speaker (or prefix) before it,
// the line after it; without a NUL the whole input is the line.

#include "client/session/markup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>

namespace
{

const std::size_t LONG_LINE = 64 * 1024;
// Processor time of this process, so that other work on the machine does
// not count against a render.
const std::clock_t BUDGET = CLOCKS_PER_SEC / 4;

void check(bool condition, const char* what)
{
    if (!condition)
    {
        std::cerr << "markup: " << what << std::endl;
        std::abort();
    }
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

void check_spans(const Markup::Rendered& r)
{
    for (const Markup::Span& span : r.spans)
    {
        check(span.begin <= span.end, "span ends before it begins");
        check(span.end <= r.text.size(), "span beyond the text");
    }
}

void check_said(const std::string& speaker, const std::string& text)
{
    const Markup::Rendered r = Markup::render_said(text, speaker);
    check_spans(r);
    check(r.text.size() <= text.size() + count(text, Markup::ME) * speaker.size(), "said line grew");
    for (const Markup::Span& span : r.spans)
        if (span.style == Markup::OWN_NAME)
            check(r.text.compare(span.begin, span.end - span.begin, speaker) == 0,
                "speaker not inserted whole");
    if (text.find_first_of("$\"*_%") == std::string::npos)
        check(r.text == text && r.spans.empty(), "text without markers changed");

    const std::string replaced = Markup::replace_me(text, speaker);
    check(replaced.size() + count(text, Markup::ME) * 4
            == text.size() + count(text, Markup::ME) * speaker.size(),
        "replace_me changed more than the placeholders");
}

void check_plain(const std::string& prefix, const std::string& text)
{
    const Markup::Rendered r = Markup::render_plain(prefix, text);
    check_spans(r);
    check(r.text.size() <= prefix.size() + text.size(), "plain line grew");
    check(r.text.compare(0, prefix.size(), prefix) == 0, "prefix changed");
    for (const Markup::Span& span : r.spans)
        check(span.begin >= prefix.size(), "emphasis inside the prefix");
    if (text.find_first_of("*_%") == std::string::npos)
        check(r.text == prefix + text && r.spans.empty(), "text without markers changed");
}

template <class F> void check_time(F render)
{
    const std::clock_t start = std::clock();
    render();
    check(std::clock() - start < BUDGET, "a 64 KiB line took too long");
}

// One render each of text repeated to LONG_LINE bytes.
void check_long_line(const std::string& speaker, const std::string& text)
{
    if (text.empty())
        return;
    std::string line;
    line.reserve(LONG_LINE + text.size());
    while (line.size() < LONG_LINE)
        line += text;
    check_time([&] { Markup::render_said(line, speaker); });
    check_time([&] { Markup::render_plain(speaker, line); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string speaker = nul == std::string::npos ? "Bob" : input.substr(0, nul);
    const std::string text = nul == std::string::npos ? input : input.substr(nul + 1);

    check_said(speaker, text);
    check_plain(speaker, text);
    check_long_line(speaker, text);
    return 0;
}
