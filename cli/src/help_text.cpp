#include "sievra/cli/options.h"

namespace sievra::cli {

// Laid out as GNU programs lay out --help, which help2man turns into the manual page.
std::string HelpText() {
  return R"(Usage: sievra-cli [OPTION]... [INPUT]
Write each distinct line of INPUT once, in the order it first occurs, or, for a
packet-radio monitor log, keep one frame per payload, optionally only one
station's and with the digipeater path cut. It runs the same engine as the
Sievra window and writes the same bytes.

With no INPUT, or when INPUT is -, read standard input.

  -o, --output=FILE  write the kept lines to FILE instead of standard output;
                       FILE is replaced in one step, and left as it was when
                       the run fails, keeps nothing or is interrupted
      --text         plain lines: a line is a duplicate of an equal line kept
                       before it (the default)
      --packet       a monitor log, one SOURCE>DESTINATION,PATH:PAYLOAD frame a
                       line: a frame is a duplicate of a kept frame with the
                       same payload; without --call, lines with no ':' are
                       skipped
      --call=CALL    with --packet, keep only lines that begin with CALL, in
                       any letter case (N0CALL also takes N0CALL-9)
      --strip        with --packet, cut the digipeater path from kept frames
      --lf           end written lines with LF instead of CR LF
      --stats        on standard error, say how many lines were read, kept,
                       removed as duplicates and skipped, and how long it took
      --progress     show progress on standard error; the default when that
                       is a terminal and INPUT is a file
  -q, --quiet        show neither progress, statistics nor the note that no
                       line was kept; errors are still reported
  -h, --help         display this help and exit
      --version      output version information and exit

A line ends at CR, LF or CR LF. Kept lines are written with CR LF, as the
window writes them, unless --lf is given.

Exit status is 0 if a line was kept, 1 if none was, 2 if there was trouble
(a file could not be read or written, or a bad option), and 130 if interrupted
(Ctrl-C); then FILE is untouched and no temporary file is left.

Examples:
  sievra-cli -o unique.txt notes.txt
         Write the distinct lines of notes.txt to unique.txt.
  cat *.log | sievra-cli --packet --call N0CALL --strip
         Keep the frames of N0CALL (and N0CALL-1 and so on) from a pipe, one per
         payload, without their digipeater paths.
  sievra-cli --lf --stats notes.txt > unique.txt
         Write the distinct lines with LF line ends and print a summary.
)";
}

}  // namespace sievra::cli
