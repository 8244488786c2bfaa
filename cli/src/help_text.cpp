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
                       line, perhaps after a time stamp or tag (see below): a
                       frame is a duplicate of a kept frame with the same
                       payload; without --call, frames with no ':' are skipped
      --call=CALL    with --packet, keep only frames that begin with CALL, in
                       any letter case (N0CALL also takes N0CALL-9)
      --strip        with --packet, cut the digipeater path from kept frames
      --no-prefix    with --packet, read every line from its first character:
                       a time stamp or tag is taken as part of the frame
      --lf           end written lines with LF instead of CR LF
      --stats        on standard error, say how many lines were read, kept,
                       removed as duplicates and skipped, how many had a time
                       stamp or tag, and how long it took
      --progress     show progress on standard error; the default when that
                       is a terminal and INPUT is a file
  -q, --quiet        show neither progress, statistics nor the note that no
                       line was kept; errors are still reported
  -h, --help         display this help and exit
      --version      output version information and exit

With --packet, a time stamp or tag at the start of a line is passed over when
a frame (SOURCE>...) follows it within the line's first 80 characters; the
callsign, the payload and the path cut then apply to the frame, and the kept
line is written whole, its time stamp included. Recognised:
  2020-11-07 09:38:16 EST: W3EAX-10>APRS:...
         a date (YYYY-MM-DD), a space or T, HH:MM or HH:MM:SS with an optional
         fraction (.250 or ,250), an optional zone (Z, +01:00, +0100, -05,
         or after a space UTC, EST and other capital letters), an optional
         ':', then spaces or tabs (aprs.fi raw packets, ISO 8601 logs)
  2016-11-16 01:04:19.662 W8VFR-8   R W3EAX-10>APRS:...
         aprx's rflog: such a date and time, the port (a callsign or APRSIS,
         up to 9 characters), R, T or d, then spaces; after d the '*' aprx
         puts before a dropped frame is passed over too
  20160203230921,W3EAX-10>APRS:...
         findu's raw packets with their times: YYYYMMDDHHMMSS and a comma
  [0 12:34:56] W3EAX-10>APRS:...
         up to 40 characters in brackets, then spaces or tabs, as [0.3] or
         [0 12:34:56] (Dire Wolf's channel, decoder and -T time stamp)
  APRS: W3EAX-10>APRS:...
         the label of multimon-ng's APRS mode (-A), then spaces or tabs
Any other start, such as a time without a date, is read as part of the frame.

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
