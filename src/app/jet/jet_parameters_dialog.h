#pragma once

// "פרמטרים": every parameter of the journal-entry tests, one field each, checked as typed by
// the engine's own rules (LoadJetParameters): while a field is refused its message shows in
// red and the parameters cannot be kept or saved. "טען" and "שמור" read and write the JSON
// parameter file the command line takes, written as `tallyscan-cli jet --print-params` prints
// it; "ברירת מחדל" puts back the defaults. "אישור" keeps them for the user (the file's text
// under JetParams in Params).
//
// Lists are typed separated by commas ("יום שישי, שבת"), the weights as "id: weight". A
// refusal names the field by its caption and marks it with a red frame.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "engine/analytics/analytics.h"

class QCheckBox;
class QJsonValue;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace tallyscan {

class SettingsStore;
struct AppContext;

inline constexpr std::string_view kJetParamsSetting = "JetParams";

// The user's parameters: the kept text merged over the defaults (the defaults when none is
// kept or the kept text is refused).
JetParameters StoredJetParameters(const SettingsStore& settings);

class JetParametersDialog final : public QDialog {
  Q_OBJECT
 public:
  JetParametersDialog(AppContext& app, const JetParameters& parameters, QWidget* parent);

  // The parameters the fields give now; nullopt while a field is refused.
  const std::optional<JetParameters>& Parameters() const { return parameters_; }
  // The refusal shown, empty when the fields are sound.
  QString Refusal() const;

  // The fields shown for `parameters`.
  void Show(const JetParameters& parameters);
  // "טען" and "שמור" with the file given; false (after a message) when it cannot be read,
  // is refused, or cannot be written.
  bool LoadFrom(const QString& path);
  bool SaveTo(const QString& path);

  QLineEdit* Field(const std::string& key) const;
  QCheckBox* Switch(const std::string& key) const;
  QPushButton* OkButton() const { return ok_; }
  // The field marked as refused; null while the fields are sound.
  QWidget* RefusedField() const { return refused_; }

 private:
  enum class Kind { kText, kNumber, kSwitch, kList, kWeights };
  struct Entry {
    std::string key;
    Kind kind = Kind::kText;
    QLineEdit* edit = nullptr;
    QCheckBox* check = nullptr;
    QWidget* Field() const;
  };
  // The dialog's parts, built by the constructor in this order.
  QWidget* BuildFields();
  Entry MakeEntry(const std::string& key, const QJsonValue& value, QWidget* parent);
  QLayout* BuildFileButtons();
  QWidget* BuildAnswerButtons();

  void Check();
  // What the field of `entry` holds as the parameter file writes it; `has_hole` when it is a
  // list with an empty item.
  static QJsonValue TypedValue(const Entry& entry, bool& has_hole);
  // Marks the field of `key` as refused, and only it; none for an empty key.
  void Mark(const std::string& key);
  void Message(const QString& text);

  AppContext& app_;
  std::vector<Entry> entries_;
  std::optional<JetParameters> parameters_;
  // The parameters last shown: the keys the dialog has no field for (the portfolio's weights,
  // the comparison's) are kept from them, so that saving a loaded file does not lose them.
  JetParameters shown_;
  QLabel* refusal_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QWidget* refused_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* save_ = nullptr;
  bool showing_ = false;
};

}  // namespace tallyscan
