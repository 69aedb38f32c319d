#include "tools/level/json_document.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

using nlohmann::json;

// The parser reports no positions to its event handler, so the input iterator itself
// tells a shared cursor how far the parser has read.
struct CountingIterator {
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  const char* at;
  const char** cursor;

  reference operator*() const { return *at; }
  CountingIterator& operator++() {
    ++at;
    *cursor = at;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& o) const { return at == o.at; }
  bool operator!=(const CountingIterator& o) const { return at != o.at; }
};

// Builds the document from parser events and notes where each value was read.
class LineRecorder {
 public:
  LineRecorder(const std::string& text, JsonDocument& document)
      : begin_(text.data()), cursor_(text.data()), document_(document) {
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') lineStarts_.push_back(i + 1);
    }
  }

  const char** cursor() { return &cursor_; }
  const std::string& error() const { return error_; }
  int errorLine() const { return errorLine_; }

  bool null() { return value(json(nullptr)); }
  bool boolean(bool v) { return value(json(v)); }
  bool number_integer(json::number_integer_t v) { return value(json(v)); }
  bool number_unsigned(json::number_unsigned_t v) { return value(json(v)); }
  bool number_float(json::number_float_t v, const std::string&) { return value(json(v)); }
  bool string(std::string& v) { return value(json(v)); }
  bool binary(json::binary_t&) { return false; }

  bool start_object(std::size_t) {
    if (!deepEnoughForOneMore()) return false;
    Frame frame{json::object(), pointerOfNext(), false, 0, {}};
    document_.lines[frame.pointer] = currentLine();
    stack_.push_back(std::move(frame));
    return true;
  }
  bool key(std::string& k) {
    stack_.back().key = k;
    return true;
  }
  bool end_object() { return endContainer(); }
  bool start_array(std::size_t) {
    if (!deepEnoughForOneMore()) return false;
    Frame frame{json::array(), pointerOfNext(), true, 0, {}};
    document_.lines[frame.pointer] = currentLine();
    stack_.push_back(std::move(frame));
    return true;
  }
  bool end_array() { return endContainer(); }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
    // The library words it "[json.exception...] parse error at line L, column C: what".
    std::string what = ex.what();
    const auto column = what.find("column ");
    const auto colon = column == std::string::npos ? column : what.find(": ", column);
    if (colon != std::string::npos) what = what.substr(colon + 2);
    errorLine_ = currentLine();
    error_ = what;
    return false;
  }

 private:
  struct Frame {
    json value;
    std::string pointer;
    bool isArray;
    size_t index;
    std::string key;
  };

  bool deepEnoughForOneMore() {
    if (stack_.size() < size_t(MaxJsonDepth)) return true;
    errorLine_ = currentLine();
    error_ = "brackets nest more than " + std::to_string(MaxJsonDepth) + " deep, the limit for a level source";
    return false;
  }

  // The line of the last character read; a number is read one character past its end,
  // and that character (a comma, a bracket or the newline) is still on the number's line.
  int currentLine() const {
    const size_t consumed = size_t(cursor_ - begin_);
    const size_t last = consumed > 0 ? consumed - 1 : 0;
    return int(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), last) - lineStarts_.begin()) + 1;
  }

  std::string pointerOfNext() const {
    if (stack_.empty()) return "";
    const Frame& top = stack_.back();
    return top.isArray ? jsonPointer(top.pointer, top.index) : jsonPointer(top.pointer, top.key);
  }

  bool value(json v) {
    document_.lines[pointerOfNext()] = currentLine();
    return place(std::move(v));
  }

  bool place(json v) {
    if (stack_.empty()) {
      document_.root = std::move(v);
      return true;
    }
    Frame& top = stack_.back();
    if (top.isArray) {
      top.value.push_back(std::move(v));
      ++top.index;
    } else {
      if (top.value.contains(top.key)) {
        errorLine_ = currentLine();
        error_ = "the key \"" + top.key + "\" appears twice in one object";
        return false;
      }
      top.value[top.key] = std::move(v);
    }
    return true;
  }

  bool endContainer() {
    json done = std::move(stack_.back().value);
    stack_.pop_back();
    return place(std::move(done));
  }

  const char* begin_;
  const char* cursor_;
  JsonDocument& document_;
  std::vector<size_t> lineStarts_;
  std::vector<Frame> stack_;
  std::string error_;
  int errorLine_ = 1;
};

std::string escapeKey(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c == '~')
      out += "~0";
    else if (c == '/')
      out += "~1";
    else
      out += c;
  }
  return out;
}

}  // namespace

std::string jsonPointer(const std::string& parent, const std::string& key) { return parent + "/" + escapeKey(key); }

std::string jsonPointer(const std::string& parent, size_t index) { return parent + "/" + std::to_string(index); }

int JsonDocument::lineOf(const std::string& pointer) const {
  std::string p = pointer;
  for (;;) {
    const auto found = lines.find(p);
    if (found != lines.end()) return found->second;
    if (p.empty()) return 1;
    p.erase(p.rfind('/'));
  }
}

bool parseJsonDocument(const std::string& text, JsonDocument& document, int& errorLine, std::string& error) {
  document = JsonDocument{};
  LineRecorder recorder(text, document);
  const CountingIterator first{text.data(), recorder.cursor()};
  const CountingIterator last{text.data() + text.size(), recorder.cursor()};
  const bool ok =
      json::sax_parse(first, last, &recorder, nlohmann::json::input_format_t::json, true, /*ignore_comments=*/true);
  if (!ok) {
    errorLine = recorder.errorLine();
    error = recorder.error().empty() ? "the text is not valid JSON" : recorder.error();
  }
  return ok;
}
