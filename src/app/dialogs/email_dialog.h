#pragma once

#include <QDialog>
#include <QPointer>

#include "app/app_context.h"
#include "mail/mail_parameters.h"
#include "mail/password_store.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace tallyscan {

class MailSendThread;
class StripAnimation;

// "משלוח דואר אלקטרוני": the report's HTML file in a preview, the recipient (1002) and the
// subject (1003, prefilled), and the buttons "ספר כתובות", "פרמטרים" and "שלח דואר". Sending
// runs on a worker thread, one at a time; meanwhile the send button is hidden, the animation
// plays, the wait cursor shows and the dialog cannot be closed. The result is shown with
// AppMessage and the dialog is usable again. The sender's parameters are read when the dialog
// opens (the password from the system keyring). The report file is only read; it stays.
// The preview lays out the report's first kPreviewPages pages only (html_preview.h), so that
// a report of any length opens at once; a line above it then says that the message carries
// the whole report.
class EmailDialog final : public QDialog {
  Q_OBJECT
 public:
  // `subject`: the report's first title line; `report_path`: its ".Htm" file (code page 1255).
  EmailDialog(AppContext& app, const QString& subject, const QString& report_path, QWidget* parent);
  ~EmailDialog() override;

  // What "שלח דואר" does: starts the sending unless one is running.
  void Send();
  bool Sending() const { return thread_ != nullptr; }
  // What "ספר כתובות" does: shows the recipients used before (control 1020); choosing one
  // puts it in the recipient field. Nothing happens when none are kept.
  void ShowAddressBook();
  // What "פרמטרים" does.
  void EditParameters();

  const MailParameters& Parameters() const { return parameters_; }
  void SetParameters(const MailParameters& parameters) { parameters_ = parameters; }

  void reject() override;

 signals:
  // A sending has ended and its result has been shown.
  void SendingEnded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowPreview(const QString& report_path);
  void Finished();

  AppContext& app_;
  QString report_path_;
  PasswordStore passwords_;
  MailParameters parameters_;
  QLineEdit* recipient_;
  QLineEdit* subject_;
  QPushButton* address_book_;
  QPushButton* parameters_button_;
  QPushButton* send_;
  StripAnimation* animation_;
  QListWidget* addresses_;
  QLabel* preview_note_;
  QTextBrowser* preview_;
  MailSendThread* thread_ = nullptr;
};

// Opens the dialog modally over `owner`; returns when the user closes it.
void OpenEmailDialog(AppContext& app, QWidget* owner, const QString& subject,
                     const QString& report_path);

}  // namespace tallyscan
