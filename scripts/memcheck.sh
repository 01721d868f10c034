#!/bin/sh
# Runs the end-to-end GUI session (tests/e2e/session_test.py) once with both
# parlane clients under valgrind's memcheck, quits them through the menu so
# that the leak check sees a normal exit, and prints valgrind's figures per
# client. Fails on any invalid read, write or free, and on any definite or
# indirect leak whose allocation was asked for by this project's code.
#
#   scripts/memcheck.sh [BUILD]
#
# BUILD is a build folder without the sanitizers that holds parlane and
# parlane-server (default: build/release). Slow: several minutes. The
# valgrind logs stay in the folder printed at the end.
set -eu

source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source/build/release}" && pwd)
for program in parlane parlane-server; do
    if [ ! -x "$build/$program" ]; then
        echo "memcheck: $build/$program is missing; build it first" >&2
        exit 2
    fi
done
if ! command -v valgrind > /dev/null; then
    echo "memcheck: valgrind is not installed" >&2
    exit 2
fi

work=$(mktemp -d /tmp/parlane-memcheck-XXXXXX)
mkdir "$work/bin" "$work/logs"
ln -s "$build/parlane-server" "$work/bin/parlane-server"
# The test starts "parlane" from its build folder: here that is valgrind
# running the real program, under the same process id.
cat > "$work/bin/parlane" << EOF
#!/bin/sh
exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \\
    --errors-for-leak-kinds=definite --num-callers=40 \\
    --suppressions="$source/tests/e2e/gtk.supp" \\
    --log-file="$work/logs/parlane-%p.log" "$build/parlane" "\$@"
EOF
chmod +x "$work/bin/parlane"

# GLib's slice allocator and its pointer reuse would hide what memcheck
# should see.
export G_SLICE=always-malloc G_DEBUG=gc-friendly
export PARLANE_E2E_WAIT=180

status=0
python3 - "$source" "$work/bin" << 'EOF' || status=$?
import os
import sys

source, build = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(source, "tests", "e2e"))
import harness
import session_test


def body(session):
    session_test.body(session)
    for part in session.parts:
        if isinstance(part, harness.Client):
            code = part.quit(timeout=600)
            harness.check(code == 0, "parlane in %s exited with %d" % (part.folder, code))


sys.exit(harness.Session(["session_test", "--build", build, "--source", source]).run(body))
EOF

python3 - "$source" "$work/logs" << 'EOF' || status=$?
import os
import re
import sys

source, logs = sys.argv[1], sys.argv[2]

# The basenames of the project's sources: a stack frame that names one of
# them runs this project's code.
own = set()
for top in ("client", "common", "libs", "server"):
    for folder, _, files in os.walk(os.path.join(source, top)):
        own.update(f for f in files if f.endswith((".cpp", ".h")))
allocators = re.compile(r": (malloc|calloc|realloc|operator new|g_malloc|g_malloc0|g_realloc|g_try_malloc"
                        r"|g_slice_alloc|g_slice_alloc0|g_strdup|g_strndup|g_memdup\w*)\b")


def own_frame(frame):
    found = re.search(r"\(([^():]+):\d+\)$", frame)
    return bool(found and found.group(1) in own)


failed = False
names = sorted(n for n in os.listdir(logs) if n.endswith(".log"))
if not names:
    print("memcheck: no valgrind log was written")
    sys.exit(1)
for name in names:
    text = open(os.path.join(logs, name), errors="replace").read()
    body = re.sub(r"^==\d+== ?", "", text, flags=re.M)
    print("--- %s" % name)
    for label in ("ERROR SUMMARY", "definitely lost", "indirectly lost", "possibly lost", "still reachable",
                  "suppressed"):
        for found in re.findall(r"^\s*(%s: .*)$" % label, body, re.M):
            print("    " + found)
    invalid = re.findall(r"^(Invalid (?:read|write|free).*|Mismatched free.*)$", body, re.M)
    print("    invalid reads, writes and frees: %d" % len(invalid))
    if invalid:
        failed = True
        print("\n".join("        " + i for i in invalid))
    records = re.findall(r"^(.*are (?:definitely|indirectly) lost in loss record.*\n(?:.+\n)*)", body, re.M)
    ours = []
    for record in records:
        frames = [f for f in record.splitlines()[1:] if f.strip().startswith(("at ", "by "))]
        # Past the allocator, the frames that asked for the memory.
        while frames and allocators.search(frames[0]):
            frames = frames[1:]
        if any(own_frame(f) for f in frames[:8]):
            ours.append(record)
    print("    definite and indirect leaks: %d records, %d of them allocated by this project's code"
          % (len(records), len(ours)))
    for record in ours:
        failed = True
        print("        " + record.replace("\n", "\n        "))
    if "Process terminating with default action" in body:
        failed = True
        print("    the program was killed, not ended")
sys.exit(1 if failed else 0)
EOF

echo "valgrind logs: $work/logs"
exit $status
