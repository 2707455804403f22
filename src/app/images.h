#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace tallyscan {

// A picture of the interface by its resource name ("BALASH", "BTN1", "LOGO3", "IdxTb2" ...)
// for screens of `device_pixel_ratio`: above 1 the picture drawn at twice the size (its
// device pixel ratio 2) where there is one, so that it stays crisp; its logical size is the
// same either way (QImage::deviceIndependentSize). A null image when there is none.
QImage Picture(const QString& name, qreal device_pixel_ratio);
// The same for the application's screens (the highest ratio among them).
QImage Picture(const QString& name);

// One 20 x 20 image of the list image strip "LvImg": 0 success or heading, 1 error,
// 3 information, 4 stopped, 5-8 account kinds, 9 debit, 10 credit, 11-20 payment types. The
// icon carries both resolutions and draws the one its screen needs.
QIcon ListImage(int index);
inline constexpr int kListImageSize = 20;
inline constexpr int kListImageCount = 21;

// One 20 x 20 image of the document-type selector's strip "HeshComb": 0 no type chosen, 1-9 the
// types whose code starts with that digit (orders, delivery notes, invoices, receipts, purchase
// orders, purchase deliveries, purchase invoices, stock, production), 10 all types.
QIcon DocumentTypeImage(int index);
inline constexpr int kDocumentTypeImageCount = 11;

}  // namespace tallyscan
