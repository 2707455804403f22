#pragma once

#include <QString>

namespace tallyscan {

// Qt's rich text lays table cells out left to right whatever the direction of the document,
// so a right-to-left report would show its first column on the left. This returns the HTML
// as a mail program shows it, for showing it with Qt: the cells of every table row in
// reverse order, and the cells that hold a figure kept on one line (never wrapped between
// its digits or after its sign). A cell runs to its closing tag or, as HTML allows, to the
// next cell of its row. A row whose cells hold a table of their own, or that holds text
// outside its cells, is left as it is.
QString MirrorTableRows(const QString& html);

}  // namespace tallyscan
