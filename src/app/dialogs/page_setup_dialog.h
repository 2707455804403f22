#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QColor>
#include <QDialog>
#include <QFont>

#include "app/app_context.h"
#include "engine/report/report_writers.h"

class QCheckBox;
class QListWidget;
class QSpinBox;
class QToolButton;

namespace tallyscan {

// "מאפייני הדף": the print settings record. The ten report font slots with their labels and
// "עיון" for the font chooser, the two grid-line boxes, the four colours with "עדכן" for the
// colour chooser, the four margins in millimetres. "אישור" writes the whole record to
// "PrintFonts"; closing the dialog otherwise leaves the stored record as it was.
class PageSetupDialog final : public QDialog {
  Q_OBJECT
 public:
  PageSetupDialog(AppContext& app, QWidget* parent);

  // The choosers, replaceable by tests: each returns nothing when the user cancels.
  std::function<std::optional<QFont>(const QFont& current)> choose_font;
  std::function<std::optional<QColor>(const QColor& current)> choose_colour;

  const PrintFonts& Settings() const { return fonts_; }
  QListWidget* FontList() const { return font_list_; }
  // "עיון" for the selected slot.
  void BrowseFont();
  // "עדכן" for colour 0-3: text, debit column, credit column, separator lines.
  void UpdateColour(int which);
  // "אישור".
  void Confirm();

 private:
  void ShowSlots();
  void ShowColours();
  Colour& ColourOf(int which);

  AppContext& app_;
  PrintFonts fonts_;
  QListWidget* font_list_ = nullptr;
  QCheckBox* vertical_ = nullptr;
  QCheckBox* horizontal_ = nullptr;
  std::array<QToolButton*, 4> swatches_{};
  std::array<QSpinBox*, 4> margins_{};
};

}  // namespace tallyscan
