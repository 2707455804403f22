#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace tallyscan {

// A picture of the interface by its resource name ("BALASH", "BTN1", "LOGO3", "IdxTb2" ...);
// a null image when there is none.
QImage Picture(const QString& name);

// One 20 x 20 image of the list image strip "LvImg": 0 success or heading, 1 error,
// 3 information, 4 stopped, 5-8 account kinds, 9 debit, 10 credit, 11-20 payment types.
QIcon ListImage(int index);
inline constexpr int kListImageSize = 20;
inline constexpr int kListImageCount = 21;

}  // namespace tallyscan
