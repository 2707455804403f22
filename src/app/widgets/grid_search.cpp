#include "app/widgets/grid_search.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "app/keyboard.h"

namespace tallyscan {

GridSearchBox::GridSearchBox(const FieldCatalogue& catalogue, int sort_field, QWidget* parent)
    : QDialog(parent), entry_(catalogue.EntryFor(sort_field)) {
  Build(SearchPrompt(catalogue, sort_field));
}

GridSearchBox::GridSearchBox(const QString& column_caption, SearchEntry entry, QWidget* parent)
    : QDialog(parent), entry_(entry) {
  Build(SearchPrompt(column_caption.toStdString()));
}

void GridSearchBox::Build(const std::string& prompt) {
  setWindowTitle(texts::kAppCaption);
  setLayoutDirection(Qt::RightToLeft);
  prompt_ =
      new QLabel(QString::fromUtf8(prompt.data(), static_cast<qsizetype>(prompt.size())), this);
  prompt_->setObjectName(QStringLiteral("searchPrompt"));
  field_ = new QLineEdit(this);
  field_->setObjectName(QStringLiteral("searchText"));
  // A numeric field of a catalogue may be a code ("MK274943", "100-0001"): the box takes any
  // text and only asks input methods for their numeric keyboard.
  if (entry_ == SearchEntry::kDigits) {
    field_->setInputMethodHints(field_->inputMethodHints() | Qt::ImhPreferNumbers);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addWidget(field_);
  layout->addWidget(buttons);
}

QString GridSearchBox::Prompt() const { return prompt_->text(); }

QString GridSearchBox::Text() const { return field_->text(); }

void GridSearchBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (entry_ == SearchEntry::kDigits) Num();
  if (entry_ == SearchEntry::kHebrew) Heb();
  field_->setFocus();
}

}  // namespace tallyscan
