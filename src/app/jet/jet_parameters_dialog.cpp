#include "app/jet/jet_parameters_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "engine/program/settings.h"
#include "engine/text/comma_list.h"

namespace tallyscan {
namespace {

QString FromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr std::string_view kEmptyListItem = "ברשימה יש פריט ריק (שני פסיקים צמודים, או פסיק בקצה)";

// The label of each key; a key the engine adds later shows under its own name.
const std::map<std::string, const char*>& Labels() {
  static const std::map<std::string, const char*> labels = {
      {"late_days", "ימי איחור ברישום"},
      {"period_end_days", "ימים בסוף התקופה"},
      {"weekend_days", "ימי סוף שבוע"},
      {"holiday_eves", "כולל ערבי חג"},
      {"extra_holidays", "חגים נוספים (YYYY-MM-DD)"},
      {"rare_operator_min", "מזין נדיר - שורות לפחות"},
      {"rare_operator_share", "מזין נדיר - חלק מהשורות"},
      {"seldom_account_lines", "חשבון נדיר - שורות לכל היותר"},
      {"rare_flow_count", "צמד חשבונות נדיר - פעמים"},
      {"round_unit", "סכום עגול - יחידה"},
      {"limits", "תקרות אישור"},
      {"below_limit_window", "מתחת לתקרה - רוחב החלון"},
      {"below_limit_min", "מתחת לתקרה - שורות לפחות"},
      {"below_limit_ratio", "מתחת לתקרה - יחס"},
      {"keywords", "מילות מפתח"},
      {"reversal_days", "ימים בין רישום לביטולו"},
      {"high_value_top", "הסכומים הגדולים - מספר"},
      {"relative_size_min_lines", "גודל יחסי - שורות בחשבון"},
      {"relative_size_ratio", "גודל יחסי - יחס"},
      {"work_start", "תחילת יום העבודה"},
      {"work_end", "סוף יום העבודה"},
      {"backdate_days", "ימי הקדמת תאריך"},
      {"benford_min_amount", "ספרות - סכום מזערי"},
      {"benford_z", "ספרות - ערך Z"},
      {"benford_min_n", "ספרות - אוכלוסיה מזערית"},
      {"weak_share", "חלק השורות השמישות לבדיקה מלאה"},
      {"weights", "משקלות בדירוג (בדיקה: משקל)"},
      {"ranking_top", "מספר העסקאות בדירוג"},
      {"report_hits", "שורות לכל בדיקה בדו\"ח"},
  };
  return labels;
}

// The keys of the parameter file in its order.
std::vector<std::string> KeysOf(const std::string& json) {
  std::vector<std::string> keys;
  static const QRegularExpression key(QStringLiteral("^  \"([a-z_0-9]+)\":"),
                                      QRegularExpression::MultilineOption);
  auto it = key.globalMatch(FromStd(json));
  while (it.hasNext()) keys.push_back(it.next().captured(1).toStdString());
  return keys;
}

QJsonObject ObjectOf(const std::string& json) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
}

// A typed number as a JSON number; anything else stays text, which the engine refuses with
// its message.
QJsonValue NumberOrText(const QString& typed) {
  bool ok = false;
  const qlonglong value = typed.trimmed().toLongLong(&ok);
  return ok ? QJsonValue(value) : QJsonValue(typed.trimmed());
}

}  // namespace

JetParameters StoredJetParameters(const SettingsStore& settings) {
  JetParameters parameters;
  const std::string kept = settings.ReadReg(kParams, kJetParamsSetting);
  if (!kept.empty()) (void)LoadJetParameters(kept, JetParameters{}, parameters);
  return parameters;
}

JetParametersDialog::JetParametersDialog(AppContext& app, const JetParameters& parameters,
                                         QWidget* parent)
    : QDialog(parent), app_(app) {
  setObjectName(QStringLiteral("jetParametersDialog"));
  setWindowTitle(QStringLiteral("פרמטרים לבדיקות פקודות יומן"));
  setLayoutDirection(Qt::RightToLeft);
  const std::string defaults = JetParametersJson(JetParameters{});
  const QJsonObject values = ObjectOf(defaults);
  auto* fields = new QWidget;
  auto* form = new QFormLayout(fields);
  for (const std::string& key : KeysOf(defaults)) {
    Entry entry;
    entry.key = key;
    const QJsonValue value = values.value(FromStd(key));
    entry.kind = value.isBool()     ? Kind::kSwitch
                 : value.isDouble() ? Kind::kNumber
                 : value.isArray()  ? Kind::kList
                 : value.isObject() ? Kind::kWeights
                                    : Kind::kText;
    const auto label = Labels().find(key);
    const QString caption =
        label == Labels().end() ? FromStd(key) : QString::fromUtf8(label->second);
    QWidget* field = nullptr;
    if (entry.kind == Kind::kSwitch) {
      entry.check = new QCheckBox(fields);
      connect(entry.check, &QCheckBox::toggled, this, &JetParametersDialog::Check);
      field = entry.check;
    } else {
      entry.edit = new QLineEdit(fields);
      if (entry.kind != Kind::kText) entry.edit->setLayoutDirection(Qt::LeftToRight);
      connect(entry.edit, &QLineEdit::textEdited, this, &JetParametersDialog::Check);
      field = entry.edit;
    }
    field->setObjectName(FromStd(key));
    field->setToolTip(FromStd(key));
    form->addRow(caption, field);
    entries_.push_back(entry);
  }
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(fields);
  scroll->setWidgetResizable(true);

  refusal_ = new QLabel(this);
  refusal_->setObjectName(QStringLiteral("refusal"));
  refusal_->setStyleSheet(QStringLiteral("color: red"));
  refusal_->setWordWrap(true);
  auto* load = new QPushButton(QStringLiteral("טען"), this);
  load->setObjectName(QStringLiteral("loadButton"));
  save_ = new QPushButton(QStringLiteral("שמור"), this);
  save_->setObjectName(QStringLiteral("saveButton"));
  auto* defaults_button = new QPushButton(QStringLiteral("ברירת מחדל"), this);
  defaults_button->setObjectName(QStringLiteral("defaultsButton"));
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QStringLiteral("אישור"), QDialogButtonBox::AcceptRole);
  ok_->setObjectName(QStringLiteral("okButton"));
  buttons->addButton(QStringLiteral("ביטול"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(defaults_button, &QPushButton::clicked, this, [this] { Show(JetParameters{}); });
  connect(load, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("טען פרמטרים"), {},
                                                      QStringLiteral("JSON (*.json)"));
    if (!path.isEmpty()) LoadFrom(path);
  });
  connect(save_, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("שמור פרמטרים"), {},
                                                      QStringLiteral("JSON (*.json)"));
    if (!path.isEmpty()) SaveTo(path);
  });

  auto* files = new QHBoxLayout;
  files->addWidget(load);
  files->addWidget(save_);
  files->addWidget(defaults_button);
  files->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addWidget(refusal_);
  layout->addLayout(files);
  layout->addWidget(buttons);
  resize(560, 640);
  Show(parameters);
}

void JetParametersDialog::Show(const JetParameters& parameters) {
  const QJsonObject values = ObjectOf(JetParametersJson(parameters));
  showing_ = true;
  for (Entry& entry : entries_) {
    const QJsonValue value = values.value(FromStd(entry.key));
    switch (entry.kind) {
      case Kind::kSwitch:
        entry.check->setChecked(value.toBool());
        break;
      case Kind::kNumber:
        entry.edit->setText(QString::number(value.toInteger()));
        break;
      case Kind::kText:
        entry.edit->setText(value.toString());
        break;
      case Kind::kList: {
        QStringList items;
        for (const QJsonValue& item : value.toArray()) items << item.toString();
        entry.edit->setText(items.join(QStringLiteral(", ")));
        break;
      }
      case Kind::kWeights: {
        QStringList items;
        const QJsonObject weights = value.toObject();
        for (auto it = weights.begin(); it != weights.end(); ++it) {
          items << it.key() + QStringLiteral(": ") + QString::number(it.value().toInteger());
        }
        entry.edit->setText(items.join(QStringLiteral(", ")));
        break;
      }
    }
  }
  showing_ = false;
  Check();
}

void JetParametersDialog::Check() {
  if (showing_) return;
  QJsonObject json;
  QString holed;  // the key of the first list with an empty item
  for (const Entry& entry : entries_) {
    const QString key = FromStd(entry.key);
    if (entry.kind == Kind::kSwitch) {
      json.insert(key, entry.check->isChecked());
      continue;
    }
    const QString typed = entry.edit->text();
    QStringList parts;
    // An empty field is an empty list; a list with an empty item is refused, not shortened.
    if ((entry.kind == Kind::kList || entry.kind == Kind::kWeights) && !typed.trimmed().isEmpty()) {
      const std::string text = typed.toStdString();
      const std::optional<std::vector<std::string_view>> items = CommaListItems(text);
      if (!items && holed.isEmpty()) holed = key;
      for (const std::string_view item : items.value_or(std::vector<std::string_view>{})) {
        parts << FromStd(item);
      }
    }
    switch (entry.kind) {
      case Kind::kNumber:
        json.insert(key, NumberOrText(typed));
        break;
      case Kind::kList:
        json.insert(key, QJsonArray::fromStringList(parts));
        break;
      case Kind::kWeights: {
        QJsonObject weights;
        for (const QString& part : parts) {
          const qsizetype colon = part.indexOf(QLatin1Char(':'));
          const QString id = (colon < 0 ? part : part.left(colon)).trimmed();
          weights.insert(id, colon < 0 ? QJsonValue(QString()) : NumberOrText(part.mid(colon + 1)));
        }
        json.insert(key, weights);
        break;
      }
      default:
        json.insert(key, typed.trimmed());
        break;
    }
  }
  const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Compact);
  JetParameters parameters;
  const Status loaded =
      !holed.isEmpty()
          ? Status::Corrupt("\"" + holed.toStdString() + "\": " + std::string(kEmptyListItem))
          : LoadJetParameters(
                std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                JetParameters{}, parameters);
  if (loaded.ok()) {
    parameters_ = parameters;
    refusal_->clear();
  } else {
    parameters_.reset();
    refusal_->setText(FromStd(loaded.message()));
  }
  ok_->setEnabled(loaded.ok());
  save_->setEnabled(loaded.ok());
}

QString JetParametersDialog::Refusal() const { return refusal_->text(); }

bool JetParametersDialog::LoadFrom(const QString& path) {
  JetParameters parameters;
  const Status loaded =
      ReadJetParametersFile(QFile::encodeName(path).toStdString(), JetParameters{}, parameters);
  if (!loaded.ok()) {
    Message(FromStd(loaded.message()));
    return false;
  }
  Show(parameters);
  return true;
}

bool JetParametersDialog::SaveTo(const QString& path) {
  if (!parameters_) return false;
  const std::string text = JetParametersJson(*parameters_);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    Message(QStringLiteral("לא ניתן לכתוב את הקובץ ") + path);
    return false;
  }
  return true;
}

QLineEdit* JetParametersDialog::Field(const std::string& key) const {
  for (const Entry& entry : entries_) {
    if (entry.key == key) return entry.edit;
  }
  return nullptr;
}

QCheckBox* JetParametersDialog::Switch(const std::string& key) const {
  for (const Entry& entry : entries_) {
    if (entry.key == key) return entry.check;
  }
  return nullptr;
}

void JetParametersDialog::Message(const QString& text) {
  AppMessage(app_, this, 1, MessageIcon::kExclamation, text);
}

}  // namespace tallyscan
