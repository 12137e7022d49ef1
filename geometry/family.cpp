#include "geometry/family.hpp"

#include <algorithm>

namespace geometry {

bool ColumnSet::find(std::string_view name, Value& v) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name) {
            v = static_cast<Value>(i);
            return true;
        }
    }
    return false;
}

std::string type_names(bool with_codes) {
    std::vector<std::string> names, codes;
    for (const Family* f : families()) {
        for (const TypeName& t : f->types) {
            if (std::find(names.begin(), names.end(), t.name) != names.end()) continue;
            names.emplace_back(t.name);
            if (t.numeric) codes.push_back(t.code == -1.0f ? "-1" : t.code == 1.0f ? "1" : std::to_string(int(t.code)));
        }
    }
    if (with_codes) names.insert(names.end(), codes.begin(), codes.end());
    std::string s;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) s += i + 1 == names.size() ? " or " : ", ";
        s += names[i];
    }
    return s;
}

std::string help_of(const KeyInfo& k, const Family* family) {
    if (k.key != Key::type) return std::string(k.help);
    std::string s = "reflector type: ";
    std::vector<std::string_view> seen;
    for (const Family* f : families()) {
        if (family != nullptr && f != family) continue;
        for (const TypeName& t : f->types) {
            if (std::find(seen.begin(), seen.end(), t.name) != seen.end()) continue;
            if (!seen.empty()) s += ", ";
            seen.push_back(t.name);
            s += t.name;
            if (t.numeric) s += t.code == -1.0f ? " (or -1)" : t.code == 1.0f ? " (or 1)" : " (or " + std::to_string(int(t.code)) + ")";
        }
    }
    return s;
}

}  // namespace geometry
