#pragma once

#include <cstdint>

#include <QString>
#include <QWidget>

#include "app/app_context.h"
#include "app/pages/page_table.h"

class QToolButton;

namespace tallyscan {

struct SharedFonts;
class Page;

// What a page may ask of the window that holds it.
class PageHost {
 public:
  virtual ~PageHost() = default;
  // Status-bar part 1 or 2. A leading TAB centres the text, two right-align it (in reading
  // order), as the engine's texts expect.
  virtual void SetStatusText(int part, const QString& text) = 0;
  // A passing message over the status bar's parts (what a row that leads nowhere says), gone
  // at the next one or when the window's own reason of a run is shown.
  virtual void ShowStatusMessage(const QString& /*text*/) {}
  virtual const SharedFonts& Fonts() const = 0;
  // A long operation of `page` began (with the reason other actions wait, for the status
  // bar) or ended (`page` null). The window disables what would be refused meanwhile and
  // tells every page (Page::BusyChanged).
  virtual void RunStateChanged(Page* page, const QString& reason) = 0;
};

// Where a page stood, as the window's Back and Forward restore it: the chosen row and column,
// the scroll position, the sort field, and what the page shows (the ledger's account, a
// document) with the texts of its entry fields. A page keeps only what it needs.
struct PageView {
  int row = -1;
  int column = 0;
  int vertical_scroll = 0;
  int horizontal_scroll = 0;
  int sort_field = 0;
  std::int64_t shown = 0;  // an index element the page shows; 0 for none
  QString first_text;
  QString second_text;
  QString filter_text;
};

// One page of the main window. The window shows exactly one page at a time; a page that
// needs loaded data is refused while nothing is loaded. Its number and whether it needs data
// come from the page table (SpecOf).
class Page : public QWidget {
  Q_OBJECT
 public:
  Page(AppContext& app, PageHost& host, PageId id, QWidget* parent);

  PageId Id() const { return id_; }
  int Number() const { return SpecOf(id_).number; }
  bool NeedsData() const { return SpecOf(id_).needs_data; }

  // The control that takes the focus when the page is opened; null leaves the focus alone.
  virtual QWidget* DefaultFocus() { return nullptr; }
  // The page has been made current.
  virtual void Enter() {}
  // The page stops being current, or the window closes while it is current.
  virtual void Leave() {}
  // F5: the page's main action (read, check), when it may run now.
  virtual void RunMainAction() {}
  // Esc during the page's own long operation: stop it.
  virtual void StopRun() {}
  // Another long operation began or ended: an action that would be refused meanwhile is
  // disabled.
  virtual void BusyChanged(bool /*busy*/) {}
  // Where the page stands now, and back to such a place (after Enter). A view of the data set
  // before the last import is not restored.
  virtual PageView SaveView() const { return {}; }
  virtual void RestoreView(const PageView& /*view*/) {}

 protected:
  void paintEvent(QPaintEvent* event) override;

  AppContext& app_;
  PageHost& host_;

 private:
  PageId id_;
};

class Grid;

// The chosen cell, scroll position and sort of a page's grid, and back to them.
void SaveGridView(const Grid& grid, PageView& view);
void RestoreGridView(Grid& grid, const PageView& view);

// A page toolbar's button: the picture `picture` of the images beside its caption, the
// tooltip, the object name the tests find it by.
QToolButton* MakeToolButton(const QString& caption, const QString& tooltip, const QString& picture,
                            const QString& name, QWidget* parent);

}  // namespace tallyscan
