#ifndef PARLANE_CLIENT_TRANSCRIPT_COMMANDLINE_H
#define PARLANE_CLIENT_TRANSCRIPT_COMMANDLINE_H

#include <iosfwd>
#include <string>
#include <vector>

namespace Transcript
{

// The settings file whose colours an export uses.
std::string default_config_file();

// The program parlane-transcript: "list", "search TEXT", "export ...",
// "--logs DIR", "--help" (see the usage text). arguments leave out the
// program's name. Returns the exit status: 0 done, 1 a transcript that is
// not there or cannot be read or written, 2 a bad command line (with the
// usage on err).
int run_command_line(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace Transcript

#endif
