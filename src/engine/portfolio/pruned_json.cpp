#include "engine/portfolio/pruned_json.h"

#include <string>
#include <utility>

namespace tallyscan::portfolio {
namespace {

using Json = nlohmann::json;

// Builds the kept members as the reader reports them. Inside a member left out, only the
// depth is counted, so that its end is known.
class PruningBuilder : public nlohmann::json_sax<Json> {
 public:
  explicit PruningBuilder(const std::vector<std::string_view>& kept) : kept_(kept) {}

  Json& root() { return root_; }

  bool null() override { return Scalar(nullptr); }
  bool boolean(bool value) override { return Scalar(value); }
  bool number_integer(number_integer_t value) override { return Scalar(value); }
  bool number_unsigned(number_unsigned_t value) override { return Scalar(value); }
  bool number_float(number_float_t value, const string_t& /*text*/) override {
    return Scalar(value);
  }
  bool string(string_t& value) override { return Scalar(std::move(value)); }
  bool binary(binary_t& value) override { return Scalar(Json::binary(std::move(value))); }

  bool start_object(std::size_t /*elements*/) override { return Open(Json::object()); }
  bool start_array(std::size_t /*elements*/) override { return Open(Json::array()); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool key(string_t& name) override {
    if (skipped_depth_ > 0) return true;
    std::string path = path_.empty() ? name : path_ + "/" + name;
    skip_next_ = !Wanted(path);
    if (!skip_next_) {
      key_ = std::move(name);
      key_path_ = std::move(path);
    }
    return true;
  }

  bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                   const nlohmann::detail::exception& /*error*/) override {
    return false;
  }

 private:
  struct Frame {
    Json* value;
    std::string outer_path;  // the path to restore at the container's end
  };

  // A path on the way to a kept one, or inside one.
  bool Wanted(std::string_view path) const {
    for (const std::string_view kept : kept_) {
      const std::string_view shorter = kept.size() < path.size() ? kept : path;
      const std::string_view longer = kept.size() < path.size() ? path : kept;
      if (longer.substr(0, shorter.size()) == shorter &&
          (longer.size() == shorter.size() || longer[shorter.size()] == '/')) {
        return true;
      }
    }
    return false;
  }

  // Whether the value now reported is left out (and, for a container, its members with it).
  bool LeftOut(bool container) {
    if (skipped_depth_ > 0) {
      if (container) ++skipped_depth_;
      return true;
    }
    if (!skip_next_) return false;
    skip_next_ = false;
    if (container) skipped_depth_ = 1;
    return true;
  }

  Json* Insert(Json value) {
    if (stack_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *stack_.back().value;
    if (parent.is_object()) {
      Json& slot = parent[key_];
      slot = std::move(value);
      return &slot;
    }
    parent.push_back(std::move(value));
    return &parent.back();
  }

  bool Scalar(Json value) {
    if (!LeftOut(false)) Insert(std::move(value));
    return true;
  }

  bool Open(Json empty) {
    if (LeftOut(true)) return true;
    const bool under_key = !stack_.empty() && stack_.back().value->is_object();
    Json* opened = Insert(std::move(empty));
    stack_.push_back({opened, path_});
    if (under_key) path_ = key_path_;
    return true;
  }

  bool Close() {
    if (skipped_depth_ > 0) {
      --skipped_depth_;
      return true;
    }
    path_ = std::move(stack_.back().outer_path);
    stack_.pop_back();
    return true;
  }

  const std::vector<std::string_view>& kept_;
  Json root_;
  std::vector<Frame> stack_;
  std::string path_;      // the object keys to the container being built
  std::string key_;       // the key of the member about to be reported
  std::string key_path_;  // and its path
  bool skip_next_ = false;
  int skipped_depth_ = 0;
};

}  // namespace

std::optional<nlohmann::json> ReadPrunedJson(std::string_view text,
                                             const std::vector<std::string_view>& kept) {
  PruningBuilder builder(kept);
  if (!Json::sax_parse(text.begin(), text.end(), &builder)) return std::nullopt;
  return std::move(builder.root());
}

}  // namespace tallyscan::portfolio
