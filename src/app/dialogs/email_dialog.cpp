#include "app/dialogs/email_dialog.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/dialogs/email_parameters_dialog.h"
#include "app/dialogs/rtl_tables.h"
#include "app/images.h"
#include "app/keyboard.h"
#include "app/mail/send_thread.h"
#include "app/widgets/strip_animation.h"
#include "engine/mail/mail.h"
#include "engine/report/report_writers.h"
#include "engine/text/text.h"

namespace tallyscan {
namespace {

constexpr int kAnimationFrameWidth = 48;
constexpr int kAnimationIntervalMs = 90;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* PictureButton(const QString& caption, const QString& picture, const QString& name,
                           QWidget* parent) {
  auto* button = new QPushButton(QIcon(QPixmap::fromImage(Picture(picture))), caption, parent);
  button->setObjectName(name);
  button->setIconSize({24, 24});
  button->setMinimumHeight(34);
  return button;
}

}  // namespace

EmailDialog::EmailDialog(AppContext& app, const QString& subject, const QString& report_path,
                         QWidget* parent)
    : QDialog(parent),
      app_(app),
      report_path_(report_path),
      passwords_(app.settings),
      recipient_(new QLineEdit(this)),
      subject_(new QLineEdit(subject, this)),
      address_book_(PictureButton(QStringLiteral("ספר כתובות"), QStringLiteral("BOOK"),
                                  QStringLiteral("addressBookButton"), this)),
      parameters_button_(PictureButton(QStringLiteral("פרמטרים"), QStringLiteral("PAGEPROP"),
                                       QStringLiteral("parametersButton"), this)),
      send_(PictureButton(QStringLiteral("שלח דואר"), QStringLiteral("MAIL"),
                          QStringLiteral("sendButton"), this)),
      animation_(new StripAnimation(Picture(QStringLiteral("SENDING")), kAnimationFrameWidth,
                                    kAnimationIntervalMs, this)),
      addresses_(new QListWidget(this)),
      preview_note_(new QLabel(this)),
      preview_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("emailDialog"));
  setWindowTitle(QStringLiteral("משלוח דואר אלקטרוני"));
  setLayoutDirection(Qt::RightToLeft);
  resize(780, 580);

  recipient_->setObjectName(QStringLiteral("recipientEdit"));  // 1002
  subject_->setObjectName(QStringLiteral("subjectEdit"));      // 1003
  animation_->setObjectName(QStringLiteral("sendingAnimation"));
  animation_->hide();
  addresses_->setObjectName(QStringLiteral("addressList"));  // 1020
  addresses_->setMaximumHeight(110);
  addresses_->hide();
  preview_note_->setObjectName(QStringLiteral("previewNote"));
  preview_note_->setWordWrap(true);
  preview_note_->hide();
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->setOpenLinks(false);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("כתובת דוא''ל"), this), 0, 0);
  grid->addWidget(recipient_, 0, 1);
  grid->addWidget(address_book_, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("הנושא"), this), 1, 0);
  grid->addWidget(subject_, 1, 1);
  grid->addWidget(parameters_button_, 1, 2);
  grid->addWidget(animation_, 2, 2);  // in the send button's place while it is hidden
  grid->addWidget(send_, 2, 2);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(addresses_);
  layout->addWidget(preview_note_);
  layout->addWidget(preview_, 1);

  connect(send_, &QPushButton::clicked, this, &EmailDialog::Send);
  connect(address_book_, &QPushButton::clicked, this, &EmailDialog::ShowAddressBook);
  connect(parameters_button_, &QPushButton::clicked, this, &EmailDialog::EditParameters);
  connect(addresses_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { recipient_->setText(item->text()); });
  recipient_->installEventFilter(this);
  subject_->installEventFilter(this);

  parameters_ = LoadMailParameters(app_.settings, passwords_);
  ShowPreview(report_path);
}

EmailDialog::~EmailDialog() {
  // Closing is refused while sending, but a parent going away must not leave the thread
  // running with a dangling dialog.
  if (thread_) thread_->wait();
}

void EmailDialog::ShowPreview(const QString& report_path) {
  QFile file(report_path);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = file.readAll();
  // Cut before anything else reads it: the conversions and the layout then see the first
  // pages only.
  const HtmlPreview preview =
      PreviewOfHtml(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                    kPreviewPages * kPreviewRowsPerPage);
  preview_->setHtml(MirrorTableRows(FromUtf8(Cp1255ToUtf8(preview.html))));
  if (preview.cut) {
    preview_note_->setText(
        QStringLiteral("בתצוגה %1 הדפים הראשונים של הדו\"ח בלבד; ההודעה תכלול את הדו\"ח כולו")
            .arg(kPreviewPages));
    preview_note_->show();
  }
}

void EmailDialog::Send() {
  if (thread_) return;
  MailRequest request;
  request.sender = parameters_.sender;
  request.server = parameters_.server;
  request.user_name = parameters_.user_name;
  request.password = parameters_.password;
  request.recipient = recipient_->text().toStdString();
  request.subject = subject_->text().toStdString();
  request.report_path = report_path_.toStdString();
  request.clear_text_server = parameters_.clear_text_server;
  const QDateTime now = QDateTime::currentDateTime();
  request.now = now.toSecsSinceEpoch();
  request.utc_offset_minutes = now.offsetFromUtc() / 60;

  thread_ = new MailSendThread(std::move(request), app_.settings.ReadReg(kIEmailer, kCaFile), this);
  connect(thread_, &QThread::finished, this, &EmailDialog::Finished);
  send_->hide();
  animation_->show();
  animation_->Start();
  setCursor(Qt::WaitCursor);
  thread_->start();
}

void EmailDialog::Finished() {
  const MailOutcome outcome = thread_->Outcome();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  animation_->Stop();
  animation_->hide();
  send_->show();
  unsetCursor();
  if (outcome.accepted) RememberRecipient(app_.settings, recipient_->text().toStdString());
  AppMessage(app_, this, 1,
             outcome.accepted ? MessageIcon::kInformation : MessageIcon::kExclamation,
             FromUtf8(outcome.message));
  emit SendingEnded();
}

void EmailDialog::ShowAddressBook() {
  const std::vector<std::string> recipients = ReadRecentRecipients(app_.settings);
  if (recipients.empty()) return;
  addresses_->clear();
  for (const std::string& recipient : recipients) addresses_->addItem(FromUtf8(recipient));
  addresses_->show();
}

void EmailDialog::EditParameters() {
  EmailParametersDialog dialog(app_, passwords_, parameters_, this);
  if (dialog.exec() == QDialog::Accepted) parameters_ = dialog.Parameters();
}

void EmailDialog::reject() {
  if (!thread_) QDialog::reject();
}

void EmailDialog::closeEvent(QCloseEvent* event) {
  if (thread_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

bool EmailDialog::eventFilter(QObject* watched, QEvent* event) {
  // Subjects are typed in Hebrew, addresses in Latin letters.
  if (watched == subject_ && event->type() == QEvent::FocusIn) Heb();
  if (watched == subject_ && event->type() == QEvent::FocusOut) Eng();
  if (watched == recipient_ && event->type() == QEvent::FocusIn) Eng();
  return QDialog::eventFilter(watched, event);
}

void OpenEmailDialog(AppContext& app, QWidget* owner, const QString& subject,
                     const QString& report_path) {
  EmailDialog dialog(app, subject, report_path, owner);
  dialog.exec();
}

}  // namespace tallyscan
