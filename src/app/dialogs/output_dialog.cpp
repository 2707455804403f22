#include "app/dialogs/output_dialog.h"

#include <ctime>

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimeZone>
#include <QUrl>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/email_dialog.h"
#include "app/dialogs/page_setup_dialog.h"
#include "app/images.h"
#include "app/pump.h"
#include "app/shared_fonts.h"
#include "app/widgets/strip_animation.h"
#include "engine/program/program.h"
#include "engine/report/report.h"

namespace tallyscan {
namespace {

constexpr std::string_view kWorkbookForm = "xlsx";
const QString kSaveAs = QStringLiteral("שמור בשם");

// A path inside right-to-left text, kept left to right as a whole.
QString Isolated(const QString& path) { return QChar(0x2066) + path + QChar(0x2069); }
constexpr std::string_view kTableForm = "xls";

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

CivilDate Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

// The progress text under the execute button, shown at most every few milliseconds and at
// every new page, so that a long report is not slowed by repainting it.
class ProgressText final : public ReportListener {
 public:
  ProgressText(QLabel& label, std::function<void(std::int64_t)> on_line)
      : label_(label), on_line_(std::move(on_line)) {
    since_.start();
  }
  void OnLine(std::int64_t line, int page) override {
    if (page != page_ || since_.elapsed() >= 40) {
      label_.setText(FromView(PrintingProgressText(line, page)));
      page_ = page;
      since_.restart();
    }
    if (on_line_) on_line_(line);
  }

 private:
  QLabel& label_;
  std::function<void(std::int64_t)> on_line_;
  QElapsedTimer since_;
  int page_ = -1;
};

}  // namespace

OutputDialog::OutputDialog(AppContext& app, const QString& kind, ReportProducer producer,
                           QWidget* parent)
    : QDialog(parent),
      app_(app),
      kind_(kind),
      producer_(std::move(producer)),
      fonts_(ReadPrintFonts(app.settings)),
      folder_(ReportFolder()) {
  setObjectName(QStringLiteral("outputDialog"));
  setWindowTitle(QStringLiteral("אופן הדפסת הדו'ח"));
  setLayoutDirection(Qt::RightToLeft);
  CleanReportFolder(folder_);
  open_file = [](const QString& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
  };
  ask_save_path = [this](const QString& file) { return AskSavePath(file); };

  const SharedFonts fonts;
  const auto target_button = [&](const QString& caption, const QString& name) {
    auto* button = new QCheckBox(caption, this);
    button->setObjectName(name);
    button->setFont(fonts.Tahoma10Underline);
    return button;
  };
  printer_button_ = target_button(QStringLiteral("מדפסת"), QStringLiteral("printerTarget"));
  excel_button_ = target_button(QStringLiteral("קובץ אקסל"), QStringLiteral("excelTarget"));
  mail_button_ = target_button(QStringLiteral("שלח דואר"), QStringLiteral("mailTarget"));
  pdf_button_ = target_button(QStringLiteral("קובץ PDF"), QStringLiteral("pdfTarget"));
  mail_button_->setEnabled(false);
  for (const auto& [button, target] :
       {std::pair{printer_button_, kPrinterTarget}, std::pair{excel_button_, kExcelTarget},
        std::pair{mail_button_, kMailTarget}, std::pair{pdf_button_, kPdfTarget}}) {
    connect(button, &QCheckBox::clicked, this, [this, target = target] { ClickTarget(target); });
  }
  excel_form_ = new QComboBox(this);
  excel_form_->setObjectName(QStringLiteral("excelForm"));
  excel_form_->addItem(QStringLiteral("חוברת עבודה (xlsx)"));
  excel_form_->addItem(QStringLiteral("טבלת HTML ‏(Xls)"));
  excel_form_->setCurrentIndex(app_.settings.ReadReg(kParams, kExcelForm) == kTableForm ? 1 : 0);
  connect(excel_form_, &QComboBox::currentIndexChanged, this, [this](int index) {
    app_.settings.WriteReg(kParams, kExcelForm, index == 1 ? kTableForm : kWorkbookForm);
  });

  auto* targets = new QGroupBox(QStringLiteral("יעד הדו'ח"), this);
  auto* target_grid = new QGridLayout(targets);
  target_grid->addWidget(printer_button_, 0, 0);
  target_grid->addWidget(excel_button_, 1, 0);
  target_grid->addWidget(excel_form_, 1, 1);
  target_grid->addWidget(mail_button_, 2, 0);
  target_grid->addWidget(pdf_button_, 3, 0);

  auto* printer_group = new QGroupBox(QStringLiteral("בחר מדפסת"), this);
  printers_ = new QComboBox(printer_group);
  printers_->setObjectName(QStringLiteral("printerList"));
  printers_->setMinimumWidth(260);
  printer_properties_ = new QPushButton(QStringLiteral("מאפייני מדפסת"), printer_group);
  printer_properties_->setObjectName(QStringLiteral("printerProperties"));
  auto* printer_row = new QHBoxLayout(printer_group);
  printer_row->addWidget(printers_, 1);
  printer_row->addWidget(printer_properties_);
  FillPrinters();

  page_properties_ = new QPushButton(QStringLiteral("מאפייני הדף"), this);
  page_properties_->setObjectName(QStringLiteral("pageProperties"));
  execute_ = new QPushButton(QStringLiteral("ביצוע"), this);
  execute_->setObjectName(QStringLiteral("execute"));
  execute_->setDefault(true);
  execute_->setMinimumWidth(110);
  progress_ = new QLabel(this);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setMinimumWidth(240);
  animation_ = new StripAnimation(Picture(QStringLiteral("PRINTING")), 48, 90, this);
  animation_->setObjectName(QStringLiteral("animation"));

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(page_properties_);
  buttons->addWidget(execute_);
  buttons->addWidget(progress_);
  buttons->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(targets, 1);
  top->addWidget(animation_, 0, Qt::AlignTop);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(printer_group);

  connect(printer_properties_, &QPushButton::clicked, this, &OutputDialog::PrinterProperties);
  connect(page_properties_, &QPushButton::clicked, this, &OutputDialog::PageProperties);
  connect(execute_, &QPushButton::clicked, this, &OutputDialog::Execute);
  ShowTargets();
}

OutputDialog::~OutputDialog() = default;

void OutputDialog::SetMailSender(
    std::function<void(const QString& file, const QString& subject)> sender) {
  send_mail_ = std::move(sender);
  mail_button_->setEnabled(static_cast<bool>(send_mail_));
}

QCheckBox* OutputDialog::TargetButton(OutputTarget target) const {
  switch (target) {
    case kExcelTarget:
      return excel_button_;
    case kMailTarget:
      return mail_button_;
    case kPrinterTarget:
      return printer_button_;
    case kPdfTarget:
      return pdf_button_;
  }
  return nullptr;
}

void OutputDialog::ClickTarget(OutputTarget target) {
  if (running_ || (target == kMailTarget && !send_mail_)) {
    ShowTargets();
    return;
  }
  if (target == kPrinterTarget && !HasPrinter()) {
    ShowTargets();
    return;
  }
  targets_ = ToggleTarget(targets_, target, HasPrinter() ? kPrinterTarget : kPdfTarget);
  ShowTargets();
}

void OutputDialog::ShowTargets() {
  for (const OutputTarget target : {kExcelTarget, kMailTarget, kPrinterTarget, kPdfTarget}) {
    TargetButton(target)->setChecked((targets_ & target) != 0);
  }
  excel_form_->setEnabled((targets_ & kExcelTarget) != 0);
}

void OutputDialog::FillPrinters() { SetPrinters(QPrinterInfo::availablePrinterNames()); }

void OutputDialog::SetPrinters(const QStringList& names) {
  const QIcon icon(QPixmap::fromImage(Picture(QStringLiteral("PRNT1"))));
  const QString chosen = QPrinterInfo::defaultPrinterName();
  printers_->clear();
  for (const QString& name : names) {
    printers_->addItem(icon, name);
    if (name == chosen) printers_->setCurrentIndex(printers_->count() - 1);
  }
  printer_properties_->setEnabled(HasPrinter());
  printer_button_->setEnabled(HasPrinter());
  targets_ = HasPrinter() ? kInitialTargets : kInitialTargetsWithoutPrinter;
  ShowTargets();
}

bool OutputDialog::HasPrinter() const { return printers_->count() > 0; }

QPrinter* OutputDialog::OpenPrinter() {
  const QPrinterInfo info = QPrinterInfo::printerInfo(printers_->currentText());
  if (printers_->count() == 0 || info.isNull()) return nullptr;
  if (!printer_ || printer_->printerName() != info.printerName()) {
    printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  }
  return printer_.get();
}

void OutputDialog::PrinterProperties() {
  QPrinter* printer = OpenPrinter();
  if (printer == nullptr) return;
  QPrintDialog dialog(printer, this);
  dialog.setWindowTitle(QStringLiteral("מאפייני מדפסת"));
  dialog.exec();
}

void OutputDialog::PageProperties() {
  PageSetupDialog dialog(app_, this);
  dialog.exec();
  fonts_ = ReadPrintFonts(app_.settings);
}

void OutputDialog::ShowRunning(bool running) {
  execute_->setText(running ? QStringLiteral("ביטול") : QStringLiteral("ביצוע"));
  execute_->setIcon(running ? QIcon(QPixmap::fromImage(Picture(QStringLiteral("DELET"))))
                            : QIcon());
  for (QWidget* widget : std::initializer_list<QWidget*>{excel_button_, pdf_button_, excel_form_,
                                                         printers_, page_properties_}) {
    widget->setEnabled(!running);
  }
  for (QWidget* widget : std::initializer_list<QWidget*>{printer_button_, printer_properties_}) {
    widget->setEnabled(!running && HasPrinter());
  }
  mail_button_->setEnabled(!running && send_mail_);
  if (running) {
    animation_->Start();
  } else {
    animation_->Stop();
    ShowTargets();
  }
}

void OutputDialog::Execute() {
  if (running_) {
    cancel_ = true;
    animation_->Stop();
    return;
  }
  running_ = true;
  cancel_ = false;
  app_.app_busy = true;
  ShowRunning(true);
  PumpOneMessage();

  ReportRunRequest request;
  request.targets = targets_;
  request.excel_as_workbook = excel_form_->currentIndex() == 0;
  request.folder = folder_;
  request.fonts = &fonts_;
  request.store = &app_.store;
  request.print_date = Today();
  if ((targets_ & kPrinterTarget) != 0) {
    request.printer = OpenPrinter();
    if (request.printer == nullptr) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation, FromView(kPrinterFailure));
    }
  }
  ProgressText progress(*progress_, on_line);
  PumpProgress monitor(nullptr, [this] { return cancel_; });
  if (!cancel_ && (request.printer != nullptr || (targets_ & ~kPrinterTarget) != 0)) {
    last_run_ = RunReport(request, producer_, monitor, &progress);
    if (!last_run_.status.ok()) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation,
                 QString::fromStdString(last_run_.status.message()));
    }
    // What was made is kept and opened as usual; its last line and this message say that it
    // is not the whole report.
    if (!last_run_.completed) {
      AppMessage(app_, this, 1, MessageIcon::kInformation, FromView(kReportStoppedText));
    }
    for (const QString& file : {last_run_.excel_file, last_run_.pdf_file}) {
      if (!file.isEmpty()) OpenOrSave(file);
    }
    if (!last_run_.mail_file.isEmpty() && send_mail_) {
      send_mail_(last_run_.mail_file, last_run_.subject);
    }
  }
  running_ = false;
  app_.app_busy = false;
  ShowRunning(false);
  accept();
}

void OutputDialog::OpenOrSave(const QString& file) {
  if (open_file && open_file(file)) return;
  const QString target = ask_save_path ? ask_save_path(file) : QString();
  if (target.isEmpty() || QFileInfo(target) == QFileInfo(file)) return;
  // The file chooser has asked before a file of that name is replaced.
  if (QFileInfo::exists(target)) QFile::remove(target);
  if (!QFile::copy(file, target)) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation,
               texts::kCannotWriteFile + Isolated(target));
  }
}

QString OutputDialog::AskSavePath(const QString& file) {
  QMessageBox box(QMessageBox::Information, texts::kAppCaption, UnopenedFileText(file),
                  QMessageBox::NoButton, this);
  box.setLayoutDirection(Qt::RightToLeft);
  QPushButton* save = box.addButton(kSaveAs, QMessageBox::AcceptRole);
  box.addButton(texts::kClose, QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.exec();
  if (box.clickedButton() != save) return {};
  const QString suffix = QFileInfo(file).suffix();
  return QFileDialog::getSaveFileName(this, kSaveAs,
                                      QDir::home().filePath(QFileInfo(file).fileName()),
                                      suffix.isEmpty() ? QString() : QStringLiteral("*.") + suffix);
}

QString UnopenedFileText(const QString& file) {
  const QString path = Isolated(QDir::toNativeSeparators(file));
  const QString temporary = QDir(QDir::tempPath()).absolutePath() + QLatin1Char('/');
  if (!QFileInfo(file).absoluteFilePath().startsWith(temporary)) {
    return QStringLiteral("לא נמצאה תוכנה לפתיחת הקובץ. הקובץ נשמר בשם:\n") + path;
  }
  // The dialog's folder is emptied of its day-old files: the user is told to keep a copy.
  return QStringLiteral("לא נמצאה תוכנה לפתיחת הקובץ. הקובץ נשמר כקובץ זמני בשם:\n") + path +
         QStringLiteral("\nקובץ זמני נמחק כעבור יום; כדי לשמור אותו בחר \"שמור בשם\".");
}

void ShowOutputDialog(AppContext& app, QWidget* owner, const QString& kind,
                      ReportProducer producer) {
  OutputDialog dialog(app, kind, std::move(producer), owner);
  dialog.SetMailSender([&app, &dialog](const QString& file, const QString& subject) {
    OpenEmailDialog(app, &dialog, subject, file);
  });
  dialog.exec();
}

std::optional<std::string> ReportDay(AppContext& app, QWidget* owner) {
  std::optional<std::int64_t> epoch;
  if (const Status read = ReadSourceDateEpoch(epoch); !read.ok()) {
    AppMessage(app, owner, 1, MessageIcon::kExclamation, FromStd(read.message()));
    return std::nullopt;
  }
  const QDate date =
      epoch ? QDateTime::fromSecsSinceEpoch(*epoch, QTimeZone::utc()).date() : QDate::currentDate();
  return date.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
}

}  // namespace tallyscan
