#include "core/TnPathMap.h"

#include "config/TnConfigFile.h"

TnPathMap::TnPathMap(const TnString& path) : TnPathMap() { load(path); }

void TnPathMap::_take(const TnConfigFile& file) {
    const TnConfig* direct = file.config("direct");
    if (!direct) return;
    TnStringList from = direct->optionlist();
    for (int i = 0; i < from.length(); ++i) addToDirectMap(*from.get(i), direct->option(*from.get(i)));
}

int TnPathMap::load(const TnString& path) {
    TnConfigFile file;
    if (!file.load(path)) return 0;
    _take(file);
    return 1;
}

void TnPathMap::parse(const TnString& text) {
    TnConfigFile file;
    file.default_section_name("direct");
    file.parse(text);
    _take(file);
}

TnString TnPathMap::convert() const {
    TnString out = "[direct]\n";
    for (int i = 0; i < direct_list_.length(); ++i) {
        const TnString& from = *direct_list_.get(i);
        const TnString* to = direct_map_.get(from);
        if (!to) continue;
        out += from;
        out += '=';
        out += *to;
        out += '\n';
    }
    return out;
}

void TnPathMap::addToDirectMap(const TnString& from, const TnString& to) {
    if (!direct_map_.get(from)) direct_list_.push(new TnString(from));
    direct_map_.set(new TnString(to), from);
}

TnString TnPathMap::translate(const TnString& path) const {
    TnString out = path;
    for (int i = 0; i < direct_list_.length(); ++i) {
        const TnString& from = *direct_list_.get(i);
        const TnString* to = direct_map_.get(from);
        // A decoded map may list a prefix it has no mapping for; that one is skipped.
        if (to) out = out.replacevalue(from, *to, 1);
    }
    return out;
}
