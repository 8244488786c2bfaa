#include "sievra/cli/options.h"

namespace sievra::cli {

// Laid out as GNU programs lay out --help, which help2man turns into the manual page.
std::string HelpText() {
  return R"(Usage: sievra-cli [OPTION]... [INPUT]...
Write each distinct line of INPUT once, in the order it first occurs, or, for a
packet-radio monitor log, keep one frame per payload, optionally only one
station's and with the digipeater path cut. It runs the same engine as the
Sievra window and writes the same bytes.

With no INPUT, or when INPUT is -, read standard input. Several INPUTs are read
one after another as one input, - at most once: each file's last line ends at
its end, and when any cannot be read nothing is written. When standard input
is a pipe and the output standard output, each kept line is written as soon as
it is read (with --keep first; the other rules wait for the whole input).

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
      --ignore-case  compare lines (with --packet, payloads) ignoring letter
                       case: A to Z equal a to z, and in UTF-8 text each letter
                       its simple case folding (nothing is normalised)
      --ignore-spacing
                       compare lines (with --packet, payloads) ignoring spacing:
                       spaces and tabs at the start and end are left out, and
                       each run of them inside counts as one space
      --keep=RULE    which line of each set of equal lines is written: first
                       (the default); last, where it stands in the input; once,
                       only lines that have no equal at all; repeated, the
                       first of each line that occurs at least twice. Last,
                       once and repeated write nothing before the whole input
                       is read
      --window=SECONDS
                       with --packet and --keep first, a frame is a duplicate
                       only when the kept frame of its payload is stamped at
                       most SECONDS from it (a frame without a time stamp is
                       judged as without a window); 0, the default: no window
      --removed=FILE
                       write to FILE each line that was left out as a duplicate
                       (or by --keep once or repeated), as read, in input
                       order; frames skipped by --packet are not in it
      --counts=FILE  write to FILE, as CSV, a row for each kept line: its line
                       number, how many lines were equal to it, the first and
                       the last of them; with --packet, their time stamps and
                       paths too
      --follow       after the end of the last INPUT, keep reading what is
                       appended, as tail -F does, until Ctrl-C or SIGTERM: a
                       last line waits for its line end; a file cut short is
                       read from its start, one renamed away is finished and
                       the new file followed; a missing file is awaited. The
                       output file is emptied at the start and written as
                       lines come (not replaced in one step); with --keep
                       first only, and not for standard input
      --lf           end written lines with LF instead of CR LF
      --stats        on standard error, say how many lines were read, kept,
                       removed as duplicates and skipped, how many had a time
                       stamp or tag, and how long it took
      --progress     show progress on standard error; the default when that
                       is a terminal and every INPUT is a file
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

The --removed and --counts reports are files, never -: they are written even
when the kept lines go to standard output, and like -o's FILE each is replaced
in one step and left as it was when the run fails, keeps nothing or is
interrupted. Neither may name the output, the other report or an INPUT.

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
  sievra-cli --keep last --removed old.txt -o new.txt a.txt b.txt
         Write the last of each line of a.txt then b.txt to new.txt, and the
         lines left out to old.txt.
  sievra-cli --packet --window 600 --counts seen.csv monitor.log
         Keep a payload's frame again once 600 s have passed since the kept
         one, and write how often each kept frame was heard to seen.csv.
)";
}

}  // namespace sievra::cli
