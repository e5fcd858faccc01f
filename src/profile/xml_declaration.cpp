// The XML declaration that may begin a document: whether it is well-formed, and the encoding it
// names.
#include "profile/xml_declaration.h"

#include <utility>
#include <vector>

namespace wingcall {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

XmlDeclaration ReadXmlDeclaration(std::string_view bytes) {
    XmlDeclaration declaration;
    if (!bytes.starts_with("<?xml") ||
        (bytes.size() > 5 && !IsBlank(bytes[5]) && bytes[5] != '?')) {
        return declaration;
    }
    declaration.present = true;
    const std::size_t end = bytes.find("?>");
    if (end == std::string_view::npos) {
        return declaration;
    }
    const std::string_view inside = bytes.substr(5, end - 5);
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    std::size_t at = 0;
    for (;;) {
        const std::size_t beforeBlanks = at;
        while (at < inside.size() && IsBlank(inside[at])) {
            ++at;
        }
        if (at == inside.size()) {
            break;
        }
        const bool blankBefore = at > beforeBlanks;
        const std::size_t nameStart = at;
        while (at < inside.size() && inside[at] >= 'a' && inside[at] <= 'z') {
            ++at;
        }
        const std::string_view name = inside.substr(nameStart, at - nameStart);
        while (at < inside.size() && IsBlank(inside[at])) {
            ++at;
        }
        if (!blankBefore || name.empty() || at + 1 >= inside.size() || inside[at] != '=') {
            return declaration;
        }
        ++at;
        while (at < inside.size() && IsBlank(inside[at])) {
            ++at;
        }
        const std::size_t close =
            (inside[at] == '"' || inside[at] == '\'') ? inside.find(inside[at], at + 1) : at;
        if (close == std::string_view::npos || close == at) {
            return declaration;
        }
        pairs.emplace_back(name, inside.substr(at + 1, close - at - 1));
        at = close + 1;
    }
    std::size_t next = 0;
    const auto take = [&](std::string_view name) {
        return next < pairs.size() && pairs[next].first == name ? pairs[next++].second
                                                                : std::string_view();
    };
    const std::string_view version = take("version");
    declaration.encoding = take("encoding");
    const std::string_view standalone = take("standalone");
    // Version 1.0 only: a reader of XML 1.0, as Voxtrel's is, refuses the others.
    declaration.wellFormed = next == pairs.size() && version == "1.0" &&
                             (standalone.empty() || standalone == "yes" || standalone == "no");
    return declaration;
}

}  // namespace wingcall
