#pragma once

#include <QByteArrayView>

class QTextDocument;

namespace sievra {

// Qt reads HTML and Markdown but not RTF, so the help document goes through this
// small reader. It builds `document` (replacing its content) from what a help
// document uses: groups, paragraphs and line breaks, bold, italic, underline and
// strike-through, fonts and sizes, colours, alignment, indents and spacing, tab
// stops, escaped and Unicode characters; pictures, document information, style
// sheets and unknown destinations are skipped. Input that does not start as RTF
// is shown as plain text.
//
// Any bytes give a best-effort document: parsing is iterative, nesting, numbers
// and tables are bounded, and \bin data is stepped over.
void ReadRtf(QByteArrayView rtf, QTextDocument& document);

}  // namespace sievra
