#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <QImage>
#include <QLabel>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include "app/app_context.h"
#include "app/pages/page.h"
#include "app/shared_fonts.h"
#include "engine/program/program.h"

class QToolButton;

namespace tallyscan {

class MainButton;

// The main window: the band of main buttons beside the pages, one page per button and
// exactly one shown, and the two-part status bar. Its timer animates the window icon and asks
// about an update once the version check has found one.
class MainWindow : public QWidget, public PageHost {
  Q_OBJECT
 public:
  MainWindow(AppContext& app, const MainDlgPos& placement, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Shows the window at its stored size and place, brought onto the screen where they do not
  // fit it (or, on a first start, over most of the screen), maximised when it was closed
  // maximised.
  void ShowAsStored();

  PageId CurrentPage() const { return current_page_; }
  Page* PageAt(PageId id) const { return pages_[static_cast<std::size_t>(id)]; }
  // The page as its own class: PageOf<LedgerPage>().
  template <class P>
  P* PageOf() const {
    return static_cast<P*>(PageAt(P::kId));
  }
  MainButton* Button(PageId id) const { return buttons_[static_cast<std::size_t>(id)]; }
  QLabel* StatusPart(int part) const { return part == 1 ? status1_ : status2_; }
  QRect PageArea() const;

  // The main button of page `id` was pressed (or its Ctrl+1..Ctrl+8). A disabled button's
  // page is not opened.
  void PressButton(PageId id);
  // Back (Alt+Left, "חזרה") to the page shown before the last change of page, as it stood
  // there, and Forward (Alt+Right, "קדימה") again. Every change of page, by a main button or
  // by a drill-down, adds to the chain, which lasts while the program runs. A page that may
  // not be opened now (no data loaded) is not gone back to.
  void GoBack();
  void GoForward();
  bool CanGoBack() const { return !back_.empty(); }
  bool CanGoForward() const { return !forward_.empty(); }

  // The page whose long operation is running; null when none is.
  Page* RunningPage() const { return running_page_; }

  // Starts the update once the user has agreed; replaced in tests.
  void SetUpdateStarter(std::function<void()> starter) { start_update_ = std::move(starter); }

  // PageHost
  void SetStatusText(int part, const QString& text) override;
  void ShowStatusMessage(const QString& text) override;
  const SharedFonts& Fonts() const override { return fonts_; }
  void RunStateChanged(Page* page, const QString& reason) override;

 protected:
  // Enter that no control took presses the focused button (a page's tool or push button).
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The constructor's steps, in their order.
  void MakeButtons();
  void MakeStatusBar();
  void MakePages();
  void LinkPages();
  void WatchReaders();
  void MakeTimerAndKeys();
  void PlaceOnScreen();
  void LayOut();
  // Makes `page` current; false when it may not be opened now (nothing said).
  bool SwitchTo(PageId page);
  // Where the current page stands, for the chain.
  struct Place {
    PageId page = PageId::kImport;
    PageView view;
    std::uint64_t load_number = 0;  // the data set the view belongs to (LoadNumber)
  };
  Place Here() const;
  void FocusPage(Page& page);
  void Step(std::vector<Place>& from, std::vector<Place>& to);
  void UpdateHistoryButtons();
  void Tick();
  // Enables the buttons whose pages may be opened now.
  void UpdateButtons();

  AppContext& app_;
  SharedFonts fonts_;
  MainDlgPos placement_;
  std::array<Page*, kPageCount> pages_{};  // by PageId
  std::array<MainButton*, kPageCount> buttons_{};
  std::array<QIcon, 9> logos_;
  QImage banner_;
  QStatusBar* status_bar_ = nullptr;
  QLabel* status1_ = nullptr;
  QLabel* status2_ = nullptr;
  QTimer timer_;  // timer 101
  Page* running_page_ = nullptr;
  QShortcut* stop_key_ = nullptr;
  PageId current_page_ = PageId::kImport;
  int logo_ = 9;
  int pending_ticks_ = 0;
  std::function<void()> start_update_;
  std::vector<Place> back_;
  std::vector<Place> forward_;
  QToolButton* back_button_ = nullptr;
  QToolButton* forward_button_ = nullptr;
};

}  // namespace tallyscan
