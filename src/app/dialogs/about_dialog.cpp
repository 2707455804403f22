#include "app/dialogs/about_dialog.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QShortcut>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "app/images.h"
#include "app/widgets/drawing.h"
#include "engine/common/version.h"

namespace tallyscan {
namespace {

const QString kAboutTitle = QStringLiteral("אודות טליסקן");
const QString kVersion = QStringLiteral("גרסה");
const QString kMaker = QStringLiteral("נורבה מוצרי תוכנה בע\"מ");

constexpr int kLogoSize = 64;
// The banner fills the top of the button band, above the first button.
constexpr int kBannerHeight = 108;

QString Version() {
  const std::string_view version = ProgramVersion();
  // Isolated left to right: in a right-to-left line "1.03+git450379d" would otherwise be
  // split at the plus sign and its parts swapped.
  return kVersion + QLatin1Char(' ') + QChar(0x2066) +
         QString::fromUtf8(version.data(), static_cast<qsizetype>(version.size())) + QChar(0x2069);
}

// Opens the about box from the main window: on F1 and on a click on the banner, whose
// tooltip names it.
class AboutOpener final : public QObject {
 public:
  explicit AboutOpener(QWidget& window) : QObject(&window), window_(window) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), &window);
    connect(shortcut, &QShortcut::activated, this, &AboutOpener::Open);
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_) return false;
    if (event->type() == QEvent::MouseButtonRelease) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton && OnBanner(mouse->position().toPoint())) {
        Open();
        return true;
      }
    } else if (event->type() == QEvent::ToolTip) {
      const auto* help = static_cast<QHelpEvent*>(event);
      if (OnBanner(help->pos())) {
        QToolTip::showText(help->globalPos(), kAboutTitle + QStringLiteral(" (F1)"), &window_);
        return true;
      }
    }
    return false;
  }

 private:
  bool OnBanner(const QPoint& point) const {
    const QRect logical(0, 0, kMainBandWidth, kBannerHeight);
    return QStyle::visualRect(window_.layoutDirection(), window_.rect(), logical).contains(point);
  }

  void Open() {
    if (box_) {
      box_->raise();
      box_->activateWindow();
      return;
    }
    box_ = new AboutDialog(&window_);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->open();
  }

  QWidget& window_;
  QPointer<AboutDialog> box_;
};

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutDialog"));
  setWindowTitle(kAboutTitle);
  setLayoutDirection(Qt::RightToLeft);

  auto* logo = new QLabel(this);
  logo->setPixmap(QPixmap::fromImage(Picture(QStringLiteral("LOGO9")))
                      .scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  auto* name = new QLabel(texts::kAppCaption, this);
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  name->setFont(bold);
  version_ = new QLabel(Version(), this);
  version_->setObjectName(QStringLiteral("version"));
  version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* maker = new QLabel(kMaker, this);
  auto* qt = new QLabel(QStringLiteral("Qt ") + QString::fromLatin1(qVersion()), this);

  auto* lines = new QVBoxLayout;
  for (QLabel* label : {name, version_, maker, qt}) lines->addWidget(label);
  auto* top = new QHBoxLayout;
  top->addWidget(logo, 0, Qt::AlignTop);
  top->addLayout(lines, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
}

void InstallAboutBox(QWidget& main_window) { new AboutOpener(main_window); }

}  // namespace tallyscan
