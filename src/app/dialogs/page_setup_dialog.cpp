#include "app/dialogs/page_setup_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "paper/qt_page_canvas.h"

namespace tallyscan {
namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int kFirstSlot = 1;
constexpr int kLastSlot = 10;

}  // namespace

PageSetupDialog::PageSetupDialog(AppContext& app, QWidget* parent)
    : QDialog(parent), app_(app), fonts_(ReadPrintFonts(app.settings)) {
  setObjectName(QStringLiteral("pageSetupDialog"));
  setWindowTitle(QStringLiteral("מאפייני הדף"));
  setLayoutDirection(Qt::RightToLeft);
  choose_font = [this](const QFont& current) -> std::optional<QFont> {
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, current, this);
    return chosen ? std::optional<QFont>(font) : std::nullopt;
  };
  choose_colour = [this](const QColor& current) -> std::optional<QColor> {
    const QColor colour = QColorDialog::getColor(current, this);
    return colour.isValid() ? std::optional<QColor>(colour) : std::nullopt;
  };

  auto* font_group = new QGroupBox(QStringLiteral("גופנים"), this);
  font_list_ = new QListWidget(font_group);
  font_list_->setObjectName(QStringLiteral("fontList"));
  font_list_->setMinimumWidth(430);
  auto* browse = new QPushButton(QStringLiteral("עיון"), font_group);
  browse->setObjectName(QStringLiteral("browseFont"));
  auto* font_layout = new QVBoxLayout(font_group);
  font_layout->addWidget(font_list_);
  font_layout->addWidget(browse, 0, Qt::AlignLeft);
  ShowSlots();
  font_list_->setCurrentRow(0);

  auto* grid_group = new QGroupBox(QStringLiteral("קוי רשת"), this);
  vertical_ = new QCheckBox(QStringLiteral("הוספת קו אנכי"), grid_group);
  vertical_->setObjectName(QStringLiteral("verticalLines"));
  vertical_->setChecked(fonts_.vertical_lines != 0);
  horizontal_ = new QCheckBox(QStringLiteral("הוספת קו אופקי"), grid_group);
  horizontal_->setObjectName(QStringLiteral("horizontalLines"));
  horizontal_->setChecked(fonts_.horizontal_lines != 0);
  auto* grid_layout = new QVBoxLayout(grid_group);
  grid_layout->addWidget(vertical_);
  grid_layout->addWidget(horizontal_);

  auto* colour_group = new QGroupBox(QStringLiteral("צבעים"), this);
  auto* colour_layout = new QGridLayout(colour_group);
  const QString labels[] = {QStringLiteral("צבע הטקסט"), QStringLiteral("צבע טור החובה"),
                            QStringLiteral("צבע טור הזכות"), QStringLiteral("צבע קוי הפרדה")};
  for (int which = 0; which < 4; ++which) {
    auto* swatch = new QToolButton(colour_group);
    swatch->setObjectName(QStringLiteral("swatch%1").arg(which));
    swatch->setFixedSize(28, 20);
    swatch->setEnabled(false);
    swatches_[static_cast<std::size_t>(which)] = swatch;
    auto* update = new QPushButton(QStringLiteral("עדכן"), colour_group);
    update->setObjectName(QStringLiteral("updateColour%1").arg(which));
    connect(update, &QPushButton::clicked, this, [this, which] { UpdateColour(which); });
    colour_layout->addWidget(new QLabel(labels[which], colour_group), which, 0);
    colour_layout->addWidget(swatch, which, 1);
    colour_layout->addWidget(update, which, 2);
  }
  ShowColours();

  auto* margin_group = new QGroupBox(QStringLiteral("שולי הדף"), this);
  auto* margin_layout = new QGridLayout(margin_group);
  const QString sides[] = {QStringLiteral("שמאלי"), QStringLiteral("עליון"), QStringLiteral("ימני"),
                           QStringLiteral("תחתון")};
  for (int side = 0; side < 4; ++side) {
    auto* field = new QSpinBox(margin_group);
    field->setObjectName(QStringLiteral("margin%1").arg(side));
    field->setRange(0, 100);
    field->setSuffix(QStringLiteral(" מ\"מ"));
    field->setValue(std::clamp(fonts_.margins[static_cast<std::size_t>(side)], 0, 100));
    margins_[static_cast<std::size_t>(side)] = field;
    margin_layout->addWidget(new QLabel(sides[side], margin_group), side / 2, (side % 2) * 2);
    margin_layout->addWidget(field, side / 2, (side % 2) * 2 + 1);
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("אישור"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("confirm"));

  auto* right = new QVBoxLayout;
  right->addWidget(grid_group);
  right->addWidget(colour_group);
  right->addWidget(margin_group);
  auto* columns = new QHBoxLayout;
  columns->addWidget(font_group, 1);
  columns->addLayout(right);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(buttons);

  connect(browse, &QPushButton::clicked, this, &PageSetupDialog::BrowseFont);
  connect(font_list_, &QListWidget::itemDoubleClicked, this, &PageSetupDialog::BrowseFont);
  connect(buttons, &QDialogButtonBox::accepted, this, &PageSetupDialog::Confirm);
}

void PageSetupDialog::ShowSlots() {
  const int current = font_list_->currentRow();
  font_list_->clear();
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const QFont font = QtPageCanvas::SlotFont(fonts_, slot);
    QString face = QString::fromStdString(fonts_.Face(slot));
    QString look = QStringLiteral("%1, %2").arg(face).arg(fonts_.Size(slot));
    if (fonts_.Bold(slot)) look += QStringLiteral(", מודגש");
    if (fonts_.Italic(slot)) look += QStringLiteral(", נטוי");
    if (fonts_.Underline(slot)) look += QStringLiteral(", קו תחתון");
    auto* item =
        new QListWidgetItem(FromView(SlotLabel(slot)) + QStringLiteral(" - ") + look, font_list_);
    QFont shown = font;
    shown.setPointSize(std::min(font.pointSize(), 14));
    item->setFont(shown);
  }
  if (current >= 0) font_list_->setCurrentRow(current);
}

void PageSetupDialog::BrowseFont() {
  const int row = font_list_->currentRow();
  if (row < 0 || !choose_font) return;
  const int slot = kFirstSlot + row;
  const std::optional<QFont> font = choose_font(QtPageCanvas::SlotFont(fonts_, slot));
  if (!font) return;
  const std::size_t i = PrintFonts::Index(slot);
  fonts_.SetFace(slot, font->family().toStdString());
  fonts_.sizes[i] = font->pointSize() > 0 ? font->pointSize() : fonts_.sizes[i];
  fonts_.weights[i] = font->weight() >= QFont::Bold ? 700 : 400;
  fonts_.italics[i] = font->italic() ? 1 : 0;
  fonts_.underlines[i] = font->underline() ? 1 : 0;
  ShowSlots();
}

Colour& PageSetupDialog::ColourOf(int which) {
  switch (which) {
    case 1:
      return fonts_.debit_colour;
    case 2:
      return fonts_.credit_colour;
    case 3:
      return fonts_.separator_colour;
    default:
      return fonts_.text_colour;
  }
}

void PageSetupDialog::ShowColours() {
  for (int which = 0; which < 4; ++which) {
    const Colour colour = ColourOf(which);
    swatches_[static_cast<std::size_t>(which)]->setStyleSheet(
        QStringLiteral("background-color: rgb(%1, %2, %3); border: 1px solid #1f3f5f;")
            .arg(RedOf(colour))
            .arg(GreenOf(colour))
            .arg(BlueOf(colour)));
  }
}

void PageSetupDialog::UpdateColour(int which) {
  if (!choose_colour) return;
  Colour& colour = ColourOf(which);
  const std::optional<QColor> chosen =
      choose_colour(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
  if (!chosen) return;
  colour = Rgb(chosen->red(), chosen->green(), chosen->blue());
  ShowColours();
}

void PageSetupDialog::Confirm() {
  fonts_.vertical_lines = vertical_->isChecked() ? 1 : 0;
  fonts_.horizontal_lines = horizontal_->isChecked() ? 1 : 0;
  for (std::size_t side = 0; side < margins_.size(); ++side) {
    fonts_.margins[side] = margins_[side]->value();
  }
  WritePrintFonts(app_.settings, fonts_);
  accept();
}

}  // namespace tallyscan
