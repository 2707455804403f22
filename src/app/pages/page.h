#pragma once

#include <QString>
#include <QWidget>

#include "app/app_context.h"

class QLabel;

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
  virtual const SharedFonts& Fonts() const = 0;
  // A long operation of `page` began (with the reason other actions wait, for the status
  // bar) or ended (`page` null). The window disables what would be refused meanwhile and
  // tells every page (Page::BusyChanged).
  virtual void RunStateChanged(Page* page, const QString& reason) = 0;
};

// One page of the main window. The window shows exactly one page at a time; a page that
// needs loaded data is refused while nothing is loaded.
class Page : public QWidget {
  Q_OBJECT
 public:
  Page(AppContext& app, PageHost& host, int number, bool needs_data, QWidget* parent);

  int Number() const { return number_; }
  bool NeedsData() const { return needs_data_; }

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

 protected:
  void paintEvent(QPaintEvent* event) override;

  AppContext& app_;
  PageHost& host_;

 private:
  int number_;
  bool needs_data_;
};

// A page whose controls are still to come: a short note in its middle says what it will do.
class EmptyPage final : public Page {
  Q_OBJECT
 public:
  EmptyPage(AppContext& app, PageHost& host, int number, bool needs_data, const QString& note,
            QWidget* parent);

  QString Note() const;

 private:
  QLabel* note_ = nullptr;
};

}  // namespace tallyscan
