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
#include "app/app_texts.h"
#include "engine/analytics/analytics.h"
#include "engine/program/program.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kEmptyListItem = "ברשימה יש פריט ריק (שני פסיקים צמודים, או פסיק בקצה)";

// The key a refusal of the engine names: its message begins "\"key\": "; empty for another.
std::string RefusedKey(const std::string& message) {
  if (message.size() < 2 || message.front() != '"') return {};
  const std::size_t end = message.find("\": ", 1);
  return end == std::string::npos ? std::string() : message.substr(1, end - 1);
}

// The field's caption as the dialog shows it; a key the engine adds later under its own name.
QString CaptionOf(const std::string& key) {
  const std::string_view caption = JetParameterCaption(key);
  return caption.empty() ? FromStd(key) : FromStd(caption);
}

// A refusal in the dialog's words: the field named by its caption, and after it the key when
// `with_key` (a file's text holds the key).
QString RefusalText(const std::string& message, bool with_key) {
  const std::string key = RefusedKey(message);
  if (key.empty()) return FromStd(message);
  QString named = QLatin1Char('"') + CaptionOf(key) + QLatin1Char('"');
  if (with_key) named += QStringLiteral(" (") + FromStd(key) + QLatin1Char(')');
  return named + FromStd(std::string_view(message).substr(key.size() + 2));
}

// Days are typed by their captions ("יום שישי, שבת"); the parameter file names them as the
// engine does. A text that is no day's caption goes as typed, for the engine to refuse.
QString EngineDay(const QString& typed) {
  for (int day = 0; day < 7; ++day) {
    if (typed == FromStd(JetDayCaption(day))) return FromStd(JetDayName(day));
  }
  return typed;
}

QString DayCaption(const QString& name) {
  for (int day = 0; day < 7; ++day) {
    if (name == FromStd(JetDayName(day))) return FromStd(JetDayCaption(day));
  }
  return name;
}

constexpr std::string_view kWeekendKey = "weekend_days";

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
  QWidget* fields = BuildFields();
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(fields);
  scroll_->setWidgetResizable(true);
  refusal_ = new QLabel(this);
  refusal_->setObjectName(QStringLiteral("refusal"));
  refusal_->setStyleSheet(QStringLiteral("color: red"));
  refusal_->setWordWrap(true);
  QLayout* files = BuildFileButtons();
  QWidget* answers = BuildAnswerButtons();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll_, 1);
  layout->addWidget(refusal_);
  layout->addLayout(files);
  layout->addWidget(answers);
  resize(560, 640);
  Show(parameters);
}

// A field a key of the parameter file, in its order, of the kind its default value is.
QWidget* JetParametersDialog::BuildFields() {
  const std::string defaults = JetParametersJson(JetParameters{});
  const QJsonObject values = ObjectOf(defaults);
  auto* fields = new QWidget;
  auto* form = new QFormLayout(fields);
  for (const std::string& key : KeysOf(defaults)) {
    entries_.push_back(MakeEntry(key, values.value(FromStd(key)), fields));
    form->addRow(CaptionOf(key), entries_.back().Field());
  }
  return fields;
}

JetParametersDialog::Entry JetParametersDialog::MakeEntry(const std::string& key,
                                                          const QJsonValue& value,
                                                          QWidget* parent) {
  Entry entry;
  entry.key = key;
  entry.kind = value.isBool()     ? Kind::kSwitch
               : value.isDouble() ? Kind::kNumber
               : value.isArray()  ? Kind::kList
               : value.isObject() ? Kind::kWeights
                                  : Kind::kText;
  if (entry.kind == Kind::kSwitch) {
    entry.check = new QCheckBox(parent);
    connect(entry.check, &QCheckBox::toggled, this, &JetParametersDialog::Check);
  } else {
    entry.edit = new QLineEdit(parent);
    if (entry.kind != Kind::kText) entry.edit->setLayoutDirection(Qt::LeftToRight);
    connect(entry.edit, &QLineEdit::textEdited, this, &JetParametersDialog::Check);
  }
  entry.Field()->setObjectName(FromStd(key));
  entry.Field()->setToolTip(FromStd(key));
  return entry;
}

// "טען", "שמור" and "ברירת מחדל".
QLayout* JetParametersDialog::BuildFileButtons() {
  auto* load = new QPushButton(QStringLiteral("טען"), this);
  load->setObjectName(QStringLiteral("loadButton"));
  save_ = new QPushButton(QStringLiteral("שמור"), this);
  save_->setObjectName(QStringLiteral("saveButton"));
  auto* defaults_button = new QPushButton(QStringLiteral("ברירת מחדל"), this);
  defaults_button->setObjectName(QStringLiteral("defaultsButton"));
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
  return files;
}

// "אישור" and "ביטול".
QWidget* JetParametersDialog::BuildAnswerButtons() {
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QStringLiteral("אישור"), QDialogButtonBox::AcceptRole);
  ok_->setObjectName(QStringLiteral("okButton"));
  buttons->addButton(QStringLiteral("ביטול"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  return buttons;
}

void JetParametersDialog::Show(const JetParameters& parameters) {
  shown_ = parameters;
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
        for (const QJsonValue& item : value.toArray()) {
          items << (entry.key == kWeekendKey ? DayCaption(item.toString()) : item.toString());
        }
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
    bool has_hole = false;
    json.insert(FromStd(entry.key), TypedValue(entry, has_hole));
    if (has_hole && holed.isEmpty()) holed = FromStd(entry.key);
  }
  const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Compact);
  JetParameters parameters;
  const Status loaded =
      !holed.isEmpty()
          ? Status::Corrupt("\"" + holed.toStdString() + "\": " + std::string(kEmptyListItem))
          : LoadJetParameters(
                std::string_view(text.constData(), static_cast<std::size_t>(text.size())), shown_,
                parameters);
  if (loaded.ok()) {
    parameters_ = parameters;
    refusal_->clear();
  } else {
    parameters_.reset();
    refusal_->setText(RefusalText(loaded.message(), /*with_key=*/false));
  }
  Mark(loaded.ok() ? std::string() : RefusedKey(loaded.message()));
  ok_->setEnabled(loaded.ok());
  save_->setEnabled(loaded.ok());
}

QJsonValue JetParametersDialog::TypedValue(const Entry& entry, bool& has_hole) {
  if (entry.kind == Kind::kSwitch) return entry.check->isChecked();
  const QString typed = entry.edit->text();
  QStringList parts;
  // An empty field is an empty list; a list with an empty item is refused, not shortened.
  if ((entry.kind == Kind::kList || entry.kind == Kind::kWeights) && !typed.trimmed().isEmpty()) {
    const std::string text = typed.toStdString();
    const std::optional<std::vector<std::string_view>> items = CommaListItems(text);
    has_hole = !items;
    for (const std::string_view item : items.value_or(std::vector<std::string_view>{})) {
      parts << FromStd(item);
    }
  }
  switch (entry.kind) {
    case Kind::kNumber:
      return NumberOrText(typed);
    case Kind::kList:
      if (entry.key == kWeekendKey) {
        for (QString& part : parts) part = EngineDay(part);
      }
      return QJsonArray::fromStringList(parts);
    case Kind::kWeights: {
      QJsonObject weights;
      for (const QString& part : parts) {
        const qsizetype colon = part.indexOf(QLatin1Char(':'));
        const QString id = (colon < 0 ? part : part.left(colon)).trimmed();
        weights.insert(id, colon < 0 ? QJsonValue(QString()) : NumberOrText(part.mid(colon + 1)));
      }
      return weights;
    }
    default:
      break;
  }
  return typed.trimmed();
}

QString JetParametersDialog::Refusal() const { return refusal_->text(); }

bool JetParametersDialog::LoadFrom(const QString& path) {
  JetParameters parameters;
  const Status loaded =
      ReadJetParametersFile(QFile::encodeName(path).toStdString(), JetParameters{}, parameters);
  if (!loaded.ok()) {
    // The reader's message names the file first; the refusal after it names the field.
    const std::string named = SafeCellText(QFile::encodeName(path).toStdString()) + ": ";
    const std::string& message = loaded.message();
    Message(message.rfind(named, 0) == 0
                ? FromStd(named) + RefusalText(message.substr(named.size()), /*with_key=*/true)
                : FromStd(message));
    return false;
  }
  Show(parameters);
  return true;
}

bool JetParametersDialog::SaveTo(const QString& path) {
  if (!parameters_) return false;
  const std::string text = JetParameterFileJson(*parameters_);
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

QWidget* JetParametersDialog::Entry::Field() const {
  return edit != nullptr ? static_cast<QWidget*>(edit) : check;
}

void JetParametersDialog::Mark(const std::string& key) {
  refused_ = nullptr;
  for (const Entry& entry : entries_) {
    QWidget* field = entry.Field();
    const bool refused = entry.key == key;
    if (refused) refused_ = field;
    field->setStyleSheet(refused ? QStringLiteral("border: 2px solid red") : QString());
    field->setAccessibleDescription(refused ? refusal_->text() : QString());
  }
  if (refused_ != nullptr) scroll_->ensureWidgetVisible(refused_);
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
