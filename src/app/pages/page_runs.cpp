#include "app/pages/page_runs.h"

namespace tallyscan {

class PageRuns::Lane final : public PageHost {
 public:
  explicit Lane(PageRuns& runs) : runs_(runs) {}

  void SetStatusText(int part, const QString& text) override {
    runs_.host_.SetStatusText(part, text);
  }
  void ShowStatusMessage(const QString& text) override { runs_.host_.ShowStatusMessage(text); }
  const SharedFonts& Fonts() const override { return runs_.host_.Fonts(); }
  void RunStateChanged(Page* page, const QString& reason) override {
    page_ = page;
    reason_ = reason;
    runs_.Changed(*this);
  }

  bool Running() const { return page_ != nullptr; }
  Page* RunningPage() const { return page_; }
  const QString& Reason() const { return reason_; }

 private:
  PageRuns& runs_;
  Page* page_ = nullptr;
  QString reason_;
};

PageRuns::PageRuns(PageHost& host) : host_(host) {}

PageRuns::~PageRuns() = default;

PageHost& PageRuns::NewLane() {
  lanes_.push_back(std::make_unique<Lane>(*this));
  return *lanes_.back();
}

void PageRuns::Changed(const Lane& lane) {
  if (lane.Running()) {
    host_.RunStateChanged(lane.RunningPage(), lane.Reason());
    return;
  }
  // Work still running keeps the window refusing, with its own reason shown again.
  for (const auto& other : lanes_) {
    if (other->Running()) {
      host_.RunStateChanged(other->RunningPage(), other->Reason());
      return;
    }
  }
  host_.RunStateChanged(nullptr, {});
}

}  // namespace tallyscan
