#include "app/app_message.h"

#include <QMessageBox>

#include "app/app_texts.h"
#include "app/path_text.h"

namespace tallyscan {

int AppMessage(AppContext& app, QWidget* owner, int kind, MessageIcon icon, const QString& message,
               MessageDefault default_button) {
  const QString text = IsolatePaths(message);
  if (app.message_hook) return app.message_hook({owner, kind, icon, text, default_button});
  QMessageBox box(icon == MessageIcon::kQuestion      ? QMessageBox::Question
                  : icon == MessageIcon::kInformation ? QMessageBox::Information
                                                      : QMessageBox::Warning,
                  texts::kAppCaption, text,
                  kind == 2 ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
  box.setLayoutDirection(Qt::RightToLeft);
  box.setDefaultButton(kind == 2 && default_button == MessageDefault::kCancel ? QMessageBox::Cancel
                                                                              : QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok ? kMessageOk : kMessageCancel;
}

}  // namespace tallyscan
