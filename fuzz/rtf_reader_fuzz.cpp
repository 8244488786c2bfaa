// The help window's RTF reader on any bytes: no crash, no unbounded recursion
// and no runaway memory or time (the sanitizers, -rss_limit_mb and -timeout
// watch), and never a document larger than the input.

#include <QByteArrayView>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "sievra/ui/rtf_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Fonts and layout need a GUI application; no display is needed for them.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "rtf_reader_fuzz";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QTextDocument document;
  sievra::ReadRtf(QByteArrayView(data, static_cast<qsizetype>(size)), document);
  // Every character comes from at least one input byte; the last paragraph's end is extra.
  sievra::fuzz::Require(static_cast<std::size_t>(document.characterCount()) <= size + 1,
                        "the document is no larger than the input");
  // Laid out at a help window's width, as the window would.
  document.setTextWidth(400);
  sievra::fuzz::Require(document.size().height() >= 0, "the document lays out");
  return 0;
}
