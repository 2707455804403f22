// The documents page: a type's run paged with beeps at its ends, the jump, the register
// driving the panel, and renders of an invoice, a receipt and the register of all types.
#include <filesystem>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/documents_page.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

// Selector items of the types used here, in the selector's order after "000 - טרם נבחר".
constexpr int kTaxInvoice = 6;  // 305
constexpr int kReceipt = 12;    // 400
constexpr int kAllTypesItem = 28;

}  // namespace

class DocumentsPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    QTemporaryDir dir;
    TestApp t;
    MainWindow window{t.app, StoredSize(1366, 768)};
    DocumentsPage* page = static_cast<DocumentsPage*>(window.PageAt(5));
    Fixture() {
      DataSetOptions options;
      options.seed = 31;
      GeneratedDataSet generated;
      const std::filesystem::path folder = dir.path().toStdString();
      if (!GenerateDataSet(options, folder, &generated).ok()) qFatal("no data set");
      SilentProgress silent;
      if (!ImportFolder(t.store, folder.string(), silent).status.ok()) qFatal("no import");
      window.resize(1366, 768);
      window.show();
      window.PressButton(2005);
    }
    QString Value(PanelField field) { return page->PanelValue(field)->text(); }
    void Render(const QString& name) {
      QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
      QVERIFY(window.grab().toImage().save(QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name));
    }
  };

 private slots:
  void PagesThroughTheRunAndJumps() {
    Fixture f;
    QCOMPARE(f.window.CurrentPage(), 5);
    QCOMPARE(f.page->Current(), std::int64_t{0});
    QVERIFY(!f.page->Move(DocumentMove::kNext));  // no current document
    f.page->SelectType(kTaxInvoice);
    const ElementRange run = DocumentTypeRun(f.t.store, "305");
    QVERIFY(run.size() > 2);
    QCOMPARE(f.page->Current(), run.first);
    QVERIFY(!f.page->Move(DocumentMove::kPrevious));
    QVERIFY(f.page->Move(DocumentMove::kNext));
    QCOMPARE(f.page->Current(), run.first + 1);
    QVERIFY(f.page->Move(DocumentMove::kLast));
    QVERIFY(!f.page->Move(DocumentMove::kNext));
    QCOMPARE(f.page->Current(), run.last - 1);
    QCOMPARE(f.page->JumpBox()->text(),
             QString::fromStdString(DocumentNumberText(f.t.store.DocumentIndex[run.last - 1])));

    const QString second =
        QString::fromStdString(DocumentNumberText(f.t.store.DocumentIndex[run.first + 1]));
    QVERIFY(f.page->Jump(second));
    QCOMPARE(f.page->Current(), run.first + 1);
    QCOMPARE(f.Value(PanelField::kNumber), second);
    QVERIFY(!f.page->Jump(QStringLiteral("99999999")));  // past the run
    QCOMPARE(f.page->Current(), run.first + 1);
    QCOMPARE(f.page->JumpBox()->text(),
             QString::fromStdString(DocumentNumberText(f.t.store.DocumentIndex[run.last - 1])));
    QCOMPARE(f.page->LinesGrid()->Model().rowCount(),
             static_cast<int>(f.page->Document().lines.size()) + 1);
    f.Render(QStringLiteral("documents_invoice.png"));
  }

  void RegisterDrivesThePanel() {
    Fixture f;
    f.page->SelectType(kReceipt);
    const DocumentRegister* list = f.page->Register();
    QVERIFY(list != nullptr);
    QCOMPARE(f.page->RegisterGrid()->Model().rowCount(), list->RowCount());
    Grid* grid = f.page->RegisterGrid();
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(2, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(f.page->Current(), list->ElementOf(2));
    QCOMPARE(f.Value(PanelField::kNumber), QString::fromStdString(list->Cell(2, 3)));
    QVERIFY(f.page->ReceiptGrid()->isVisible());
    QVERIFY(f.page->ReceiptGrid()->Model().rowCount() >= 2);  // its lines and their total
    f.Render(QStringLiteral("documents_receipt.png"));

    // The filter keeps the documents whose row shows the typed number, and the totals row;
    // choosing the one left shows it in the panel.
    const QString number = QString::fromStdString(list->Cell(3, 3));
    f.page->RegisterFilter()->SetText(number);
    const int shown = f.page->RegisterFilter()->ShownRows();
    QVERIFY(shown >= 2 && shown < list->RowCount());
    QCOMPARE(f.page->RegisterFilter()->SourceRow(shown - 1), list->RowCount() - 1);
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(0, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QVERIFY(f.Value(PanelField::kNumber).contains(number));
    f.page->RegisterFilter()->SetText(QString());
    QCOMPARE(grid->Model().rowCount(), list->RowCount());

    f.page->SelectType(kAllTypesItem);
    QCOMPARE(f.page->Register()->DocumentCount(),
             static_cast<int>(f.t.store.DocumentIndex.Count()));
    f.Render(QStringLiteral("documents_register.png"));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::DocumentsPageTest)
#include "documents_page_test.moc"
