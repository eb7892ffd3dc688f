#include "internal/contact_loader.h"

#include <cstring>

#include "internal/keywords.h"
#include "internal/line_scan.h"

namespace tessary::internal {

void ContactLoader::Start() {
  fields_.Clear();
  previous_ = nullptr;
}

void ContactLoader::Add(std::string_view lines) {
  const char* p = lines.data();
  const char* const end = p + lines.size();
  while (p < end) {
    const char* line_feed = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
    const Line line = WithoutByteOrderMark(MakeLine(p, line_feed ? line_feed : end, line_feed != nullptr));
    p = line_feed ? line_feed + 1 : end;

    const LineKind kind = Classify(line, separator_);
    if (!kind.name.empty()) previous_ = FindKeyword(kind.name);
    const Keyword* k = previous_;
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
    ContactFields::Value& field = fields_.values[static_cast<std::size_t>(k->field)];
    if (!kind.base_name && k->action == Action::Replace) {
      field.bytes.assign(value);
      field.joins.clear();
    } else {
      // The separator goes between pieces, never before the first.
      if (!field.bytes.empty()) field.joins.push_back(field.bytes.size());
      field.bytes.append(value);
    }
    if (line.line_feed && !own_line_feed) field.bytes += '\n';
  }
}

}  // namespace tessary::internal
