#include "app/main_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/button_bar.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/images.h"
#include "app/pages/accounts_index_page.h"
#include "app/pages/analysis_page.h"
#include "app/pages/checks_page.h"
#include "app/pages/companies_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/import_page.h"
#include "app/pages/items_page.h"
#include "app/pages/ledger_page.h"
#include "app/pages/transfer_page.h"
#include "app/widgets/drawing.h"
#include "app/widgets/main_button.h"

namespace tallyscan {
namespace {

constexpr int kStatusPart1Width = 220;
constexpr int kTimerPeriodMs = 200;
constexpr int kTicksBeforeQuestion = 5;
// What a window manager's frame adds at most, kept free when the window is placed: the frame
// is not known before the window is shown.
constexpr FrameMargins kFrameAllowance{8, 32, 8, 8};

}  // namespace

MainWindow::MainWindow(AppContext& app, const MainDlgPos& placement, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      app_(app),
      placement_(placement) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(texts::kMainCaption);
  setLayoutDirection(Qt::RightToLeft);
  setFont(fonts_.Tahoma10);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(kMainLeastWidth, kMainLeastHeight);
  MakeButtons();
  MakeStatusBar();
  MakePages();
  LinkPages();
  WatchReaders();
  MakeTimerAndKeys();
  PlaceOnScreen();
  Button(current_page_)->setDefault(true);
  UpdateHistoryButtons();
  PageAt(current_page_)->show();
  PageAt(current_page_)->Enter();
  LayOut();
}

MainWindow::~MainWindow() { app_.readers.changed = nullptr; }

// The banner, the logos and the bar of eight buttons, each with its Ctrl+digit key.
void MainWindow::MakeButtons() {
  banner_ = Picture(QStringLiteral("BALASH"));
  for (int n = 1; n <= 9; ++n) {
    logos_[static_cast<std::size_t>(n - 1)] =
        QIcon(QPixmap::fromImage(Picture(QStringLiteral("LOGO%1").arg(n))));
  }

  for (const PageSpec& entry : Pages()) {
    const int place = static_cast<int>(entry.id);
    auto* button = new MainButton(entry.button_id, QString::fromUtf8(entry.caption),
                                  Picture(QString::fromLatin1(entry.picture)), this);
    button->setFont(fonts_.Tahoma10Bold);
    const QKeySequence key(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + place));
    button->setToolTip(button->text() + QStringLiteral(" (") +
                       key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
    connect(button, &QPushButton::clicked, this, [this, id = entry.id] { PressButton(id); });
    new QShortcut(key, this, [this, id = entry.id] { PressButton(id); });
    buttons_[static_cast<std::size_t>(place)] = button;
  }
}

// The status bar: Back and Forward through the pages seen, and the two parts of text.
void MainWindow::MakeStatusBar() {
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(QStringLiteral("statusBar"));
  status_bar_->setSizeGripEnabled(true);
  status_bar_->setFont(fonts_.Tahoma10Bold);
  status1_ = new QLabel(status_bar_);
  status1_->setObjectName(QStringLiteral("statusPart1"));
  status1_->setFixedWidth(kStatusPart1Width);
  status2_ = new QLabel(status_bar_);
  status2_->setObjectName(QStringLiteral("statusPart2"));
  back_button_ = new QToolButton(status_bar_);
  back_button_->setObjectName(QStringLiteral("backButton"));
  back_button_->setText(QStringLiteral("חזרה"));
  back_button_->setToolTip(QStringLiteral("חזרה לדף הקודם (Alt+Left)"));
  back_button_->setArrowType(Qt::RightArrow);  // back points against the reading order
  back_button_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  back_button_->setAutoRaise(true);
  forward_button_ = new QToolButton(status_bar_);
  forward_button_->setObjectName(QStringLiteral("forwardButton"));
  forward_button_->setText(QStringLiteral("קדימה"));
  forward_button_->setToolTip(QStringLiteral("קדימה לדף הבא (Alt+Right)"));
  forward_button_->setArrowType(Qt::LeftArrow);
  forward_button_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  forward_button_->setAutoRaise(true);
  connect(back_button_, &QToolButton::clicked, this, &MainWindow::GoBack);
  connect(forward_button_, &QToolButton::clicked, this, &MainWindow::GoForward);
  new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Left), this, [this] { GoBack(); });
  new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Right), this, [this] { GoForward(); });
  status_bar_->addWidget(back_button_);
  status_bar_->addWidget(forward_button_);
  status_bar_->addWidget(status1_);
  status_bar_->addWidget(status2_, 1);
}

void MainWindow::MakePages() {
  for (const PageSpec& entry : Pages()) {
    Page* page = entry.make(app_, *this, this);
    page->hide();
    pages_[static_cast<std::size_t>(entry.id)] = page;
  }
}

// What one page asks of another goes through the window, which shows that page first.
void MainWindow::LinkPages() {
  // The findings of the checks belong to the data set they were made on.
  connect(PageOf<ImportPage>(), &ImportPage::ImportStarting, PageOf<ChecksPage>(),
          &ChecksPage::ClearResults);
  // A saved company is read on the import page, where its log and the Stop button show.
  connect(PageOf<CompaniesPage>(), &CompaniesPage::ReadFolder, this, [this](const QString& folder) {
    PressButton(PageId::kImport);
    PageOf<ImportPage>()->ReadFolder(folder);
  });

  // "צפה בתנועות" of the index: the card on the ledger page.
  connect(PageOf<AccountsIndexPage>(), &AccountsIndexPage::OpenCard, this,
          [this](const QString& key) {
            PressButton(PageId::kLedger);
            PageOf<LedgerPage>()->OpenCardOf(key);
          });

  // "מסמך מקור" of the ledger: the document on the documents page, Back returning to the card.
  connect(PageOf<LedgerPage>(), &LedgerPage::OpenDocument, this, [this](qint64 element) {
    PressButton(PageId::kDocuments);
    if (current_page_ == PageId::kDocuments) PageOf<DocumentsPage>()->OpenDocument(element);
  });

  // A hit of the analysis: its ledger card at the movement, or its document; Back returns to
  // the hit.
  connect(PageOf<AnalysisPage>(), &AnalysisPage::OpenCard, this,
          [this](qint64 account, qint64 offset) {
            PressButton(PageId::kLedger);
            if (current_page_ == PageId::kLedger)
              PageOf<LedgerPage>()->OpenMovement(account, offset);
          });
  connect(PageOf<AnalysisPage>(), &AnalysisPage::OpenDocument, this, [this](qint64 element) {
    PressButton(PageId::kDocuments);
    if (current_page_ == PageId::kDocuments) PageOf<DocumentsPage>()->OpenDocument(element);
  });

  // "תנועת מקור" of the documents and the items: the records in the source-record viewer.
  auto* documents = PageOf<DocumentsPage>();
  connect(documents, &DocumentsPage::SourceRecords, this,
          [this, documents](const std::vector<RecordReference>& records) {
            OpenRecordDetail(app_, documents, records);
          });
  auto* items = PageOf<ItemsPage>();
  connect(items, &ItemsPage::SourceRecord, this, [this, items](qint64 offset) {
    OpenRecordDetail(app_, items, {{RecordType::kM100, offset}});
  });
}

void MainWindow::WatchReaders() {
  // Work reading the store off this thread holds back what would change the store.
  app_.readers.changed = [this](bool reading) {
    if (running_page_ != nullptr) return;  // the run's own reason stands; its end tells again
    if (reading) {
      status_bar_->showMessage(texts::kBusyWorkers);
    } else {
      status_bar_->clearMessage();
    }
    for (Page* each : pages_) each->BusyChanged(reading);
  };
}

void MainWindow::MakeTimerAndKeys() {
  setWindowIcon(logos_[8]);
  connect(&timer_, &QTimer::timeout, this, &MainWindow::Tick);
  timer_.start(kTimerPeriodMs);

  // F5 runs the page's main action, Esc stops the long operation that is running.
  new QShortcut(QKeySequence(Qt::Key_F5), this, [this] { PageAt(current_page_)->RunMainAction(); });
  stop_key_ = new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] {
    if (running_page_ != nullptr) running_page_->StopRun();
  });
  stop_key_->setEnabled(false);
}

void MainWindow::PlaceOnScreen() {
  // The stored place on the screen that shows it, else on the main screen.
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (placement_.has_position) {
    const QPoint centre(placement_.x + placement_.width / 2, placement_.y + placement_.height / 2);
    if (const QScreen* there = QGuiApplication::screenAt(centre)) screen = there;
  }
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    const ScreenRect place = PlaceMainWindow(
        placement_, {area.x(), area.y(), area.width(), area.height()}, kFrameAllowance);
    setGeometry(place.x, place.y, place.width, place.height);
  } else {
    resize(std::max(placement_.width, kMainLeastWidth),
           std::max(placement_.height, kMainLeastHeight));
  }
}

void MainWindow::ShowAsStored() {
  if (placement_.maximised) {
    showMaximized();
  } else {
    show();
  }
  FocusPage(*PageAt(current_page_));
}

QRect MainWindow::PageArea() const {
  const int status_height = status_bar_->sizeHint().height();
  const QRect logical(kMainBandWidth, 0, width() - kMainBandWidth, height() - status_height);
  return QStyle::visualRect(layoutDirection(), rect(), logical);
}

void MainWindow::PressButton(PageId id) {
  if (id == current_page_) return;
  if (SpecOf(id).needs_data && app_.store.LoadedFolder.empty() && Button(id)->isEnabled()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, texts::kNeedsData);
    return;
  }
  const Place here = Here();
  if (!SwitchTo(id)) return;
  back_.push_back(here);
  forward_.clear();
  UpdateHistoryButtons();
}

bool MainWindow::SwitchTo(PageId id) {
  // Disabled while a long operation runs: a message box now would hold the operation until
  // it is answered. The status bar says why.
  if (!Button(id)->isEnabled()) return false;
  if (SpecOf(id).needs_data && app_.store.LoadedFolder.empty()) return false;
  Page* old_page = PageAt(current_page_);
  old_page->Leave();
  old_page->hide();
  Button(current_page_)->setDefault(false);
  current_page_ = id;
  Page* page = PageAt(current_page_);
  Button(id)->setDefault(true);
  LayOut();
  page->show();
  page->Enter();
  FocusPage(*page);
  return true;
}

void MainWindow::FocusPage(Page& page) {
  // The page's own control, never the main button that opened it: Enter then acts on the
  // page. A page without a default control, or whose control cannot take the focus now,
  // gives it to its first control that takes Tab.
  QWidget* focus = page.DefaultFocus();
  if (focus != nullptr && focus->isEnabled() && focus->isVisibleTo(&page)) {
    focus->setFocus(Qt::OtherFocusReason);
    return;
  }
  for (QWidget* each = page.nextInFocusChain(); each != nullptr && each != &page;
       each = each->nextInFocusChain()) {
    if (page.isAncestorOf(each) && each->isEnabled() && each->isVisibleTo(&page) &&
        (each->focusPolicy() & Qt::TabFocus) != 0) {
      each->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}

MainWindow::Place MainWindow::Here() const {
  return {current_page_, PageAt(current_page_)->SaveView(), app_.store.LoadNumber};
}

void MainWindow::Step(std::vector<Place>& from, std::vector<Place>& to) {
  if (from.empty() || running_page_ != nullptr) return;
  const Place target = from.back();
  const Place here = Here();
  if (target.page != current_page_ && !SwitchTo(target.page)) return;
  from.pop_back();
  to.push_back(here);
  // A view of the set before the last import shows the page as it opens.
  if (target.load_number == app_.store.LoadNumber) PageAt(current_page_)->RestoreView(target.view);
  UpdateHistoryButtons();
}

void MainWindow::GoBack() { Step(back_, forward_); }

void MainWindow::GoForward() { Step(forward_, back_); }

void MainWindow::UpdateHistoryButtons() {
  back_button_->setEnabled(!back_.empty());
  forward_button_->setEnabled(!forward_.empty());
}

void MainWindow::ShowStatusMessage(const QString& text) {
  // A run's reason stands until the run ends.
  if (running_page_ == nullptr) status_bar_->showMessage(text);
}

void MainWindow::SetStatusText(int part, const QString& text) {
  QLabel* label = StatusPart(part);
  if (!label) return;
  qsizetype tabs = 0;
  while (tabs < text.size() && text[tabs] == QLatin1Char('\t')) ++tabs;
  label->setAlignment(Qt::AlignVCenter | (tabs == 0   ? Qt::AlignLeading
                                          : tabs == 1 ? Qt::AlignHCenter
                                                      : Qt::AlignTrailing));
  label->setText(text.mid(tabs));
}

void MainWindow::RunStateChanged(Page* page, const QString& reason) {
  running_page_ = page;
  stop_key_->setEnabled(page != nullptr);
  UpdateButtons();
  const bool reading = !app_.readers.Idle();
  if (page != nullptr) {
    status_bar_->showMessage(reason);
  } else if (reading) {
    status_bar_->showMessage(texts::kBusyWorkers);
  } else {
    status_bar_->clearMessage();
  }
  for (Page* each : pages_) {
    if (each != nullptr) each->BusyChanged(page != nullptr || reading);
  }
}

void MainWindow::UpdateButtons() {
  // During an operation a page that needs data is refused exactly when nothing is loaded
  // (an import has emptied the store): its button waits for the operation's end.
  const bool refusing = app_.app_busy && app_.store.LoadedFolder.empty();
  for (const PageSpec& entry : Pages()) {
    Button(entry.id)->setEnabled(!(refusing && entry.needs_data));
  }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // The main buttons take Enter themselves; a page's tool or push button (outside a dialog
  // none is a default button) lets it through to here.
  // A check box keeps Enter for nothing: it is ticked with Space, as everywhere.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    QWidget* focused = focusWidget();
    auto* button = qobject_cast<QAbstractButton*>(focused);
    const bool pressable = qobject_cast<QPushButton*>(focused) != nullptr ||
                           qobject_cast<QToolButton*>(focused) != nullptr;
    if (pressable && button->isEnabled()) {
      button->click();
      return;
    }
  }
  QWidget::keyPressEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void MainWindow::LayOut() {
  if (isMinimized()) return;
  const int button_height = ButtonBarButtonHeight(height(), kMainButtonHeight);
  const std::array<int, kPageCount> tops =
      ButtonBarTops(static_cast<int>(current_page_) + 1, height(), button_height);
  for (int i = 0; i < kPageCount; ++i) {
    const QRect logical(2, tops[static_cast<std::size_t>(i)], kMainButtonWidth, button_height);
    buttons_[static_cast<std::size_t>(i)]->setGeometry(
        QStyle::visualRect(layoutDirection(), rect(), logical));
  }
  const int status_height = status_bar_->sizeHint().height();
  status_bar_->setGeometry(0, height() - status_height, width(), status_height);
  PageAt(current_page_)->setGeometry(PageArea());
  update();
}

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Midlight));
  PaintMainBand(painter, rect(), layoutDirection());
  if (!banner_.isNull()) {
    const QRect place = QStyle::visualRect(
        layoutDirection(), rect(), QRect(QPoint(0, 0), banner_.deviceIndependentSize().toSize()));
    DrawTransparentBitmap(painter, banner_, place.x(), place.y(), 0xFFFFFF);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (app_.app_busy) {
    event->ignore();
    return;
  }
  PageAt(current_page_)->Leave();
  // A maximised window keeps the size and place it returns to when restored.
  const QRect normal = isMaximized() ? normalGeometry() : geometry();
  app_.settings.WriteReg(
      kParams, kMainDlgPos,
      FormatMainDlgPos(normal.width(), normal.height(), isMaximized(), normal.x(), normal.y()));
  timer_.stop();
  event->accept();
}

void MainWindow::Tick() {
  logo_ = logo_ % 9 + 1;
  setWindowIcon(logos_[static_cast<std::size_t>(logo_ - 1)]);
  if (!app_.update_pending) return;
  // The question waits for a long operation to end: a message box from the timer would hold
  // the operation, which runs on this thread, until it is answered.
  if (app_.app_busy) return;
  if (++pending_ticks_ <= kTicksBeforeQuestion) return;
  app_.update_pending = false;
  pending_ticks_ = 0;
  if (!app_.self_update) {
    const std::string server = app_.settings.ReadReg(kParams, kUpdateServer);
    AppMessage(app_, this, 1, MessageIcon::kExclamation,
               texts::kNewerVersion + QLatin1Char('\n') + texts::kUpdateThroughPackages +
                   QLatin1Char('\n') + texts::kNewVersionAt + QLatin1Char(' ') +
                   QString::fromStdString(server));
    return;
  }
  const int answer = AppMessage(app_, this, 2, MessageIcon::kQuestion,
                                texts::kNewerVersion + QLatin1Char('\n') + texts::kAskUpdate);
  if (answer == kMessageOk && start_update_) start_update_();
}

}  // namespace tallyscan
