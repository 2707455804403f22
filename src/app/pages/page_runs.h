#pragma once

// The long operations of one page told to the window as one: a page whose tabs each run work
// of their own (the analysis page's journal-entry tests and field statistics) hands each a
// lane of its PageRuns as the host to report to. The window is told busy when the first lane
// starts and idle only when the last has ended; while others still run, the window shows the
// reason of one of them. Every other request goes to the window unchanged.
//
// The PageRuns and its lanes are owned by the page and must outlive the runs that use them.

#include <memory>
#include <vector>

#include "app/pages/page.h"

namespace tallyscan {

class PageRuns final {
 public:
  explicit PageRuns(PageHost& host);
  PageRuns(const PageRuns&) = delete;
  PageRuns& operator=(const PageRuns&) = delete;
  ~PageRuns();

  // A host for one operation of the page; it lives as long as this PageRuns.
  PageHost& NewLane();

 private:
  class Lane;
  void Changed(const Lane& lane);

  PageHost& host_;
  std::vector<std::unique_ptr<Lane>> lanes_;
};

}  // namespace tallyscan
