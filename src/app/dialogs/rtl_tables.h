#pragma once

#include <QString>

namespace tallyscan {

// Qt's rich text lays table cells out left to right whatever the direction of the document,
// so a right-to-left report would show its first column on the left. This returns the HTML
// with the cells of every table row in reverse order, for showing it with Qt; a row whose
// cells hold a table of their own, or that holds anything besides cells, is left as it is.
QString MirrorTableRows(const QString& html);

}  // namespace tallyscan
