#pragma once

#include <QFont>

namespace tallyscan {

// The five fonts the window and its pages share, all of the face "Tahoma". Where Tahoma is
// not installed, Qt takes the first substitute that InstallFontSubstitutes named.
struct SharedFonts {
  SharedFonts();

  QFont Tahoma8;            // the grids of the browser pages
  QFont Tahoma10;           // the main window and most page controls
  QFont Tahoma10Bold;       // the main buttons, the status bar and page headings
  QFont Tahoma10Underline;  // the output choices of the print dialog
  QFont Tahoma13;           // larger captions in pages
};

// Names Hebrew-capable faces to stand in for Tahoma where it is absent.
void InstallFontSubstitutes();

}  // namespace tallyscan
