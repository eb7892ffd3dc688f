#include "internal/contact_loader.h"

#include <cstring>

#include "internal/keywords.h"
#include "internal/line_scan.h"

namespace tessary::internal {

void LoadContact(std::string_view text, std::string_view separator, std::string_view join, ContactRecord& out) {
  out.Clear();
  // The keyword the last non-empty property name named, or null: a line
  // without a name continues that property. The first line names BEGIN.
  const Keyword* previous = nullptr;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* line_feed = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
    const Line line = MakeLine(p, line_feed ? line_feed : end, line_feed != nullptr);
    p = line_feed ? line_feed + 1 : end;

    const LineKind kind = Classify(line, separator);
    if (!kind.name.empty()) previous = FindKeyword(kind.name);
    const Keyword* k = previous;
    if (!k) continue;
    // BEGIN and END fill nothing; a base-name line fills only the seven
    // fields that have a base name, and always appends.
    const bool fills = kind.base_name ? k->base_name : (k->action == Action::Replace || k->action == Action::Append);
    if (!fills) continue;

    std::string_view value = line.content.substr(kind.value_start);
    // A value ends with its line's line feed: the file's own, or one in
    // place of a CR LF pair.
    const bool own_line_feed = line.line_feed && value.data() + value.size() == line_feed;
    if (own_line_feed) value = std::string_view(value.data(), value.size() + 1);
    if (!kind.base_name && k->action == Action::Replace) out.Set(k->field, value);
    else out.Append(k->field, value, join);
    if (line.line_feed && !own_line_feed) out.Extend(k->field, "\n");
  }
}

}  // namespace tessary::internal
