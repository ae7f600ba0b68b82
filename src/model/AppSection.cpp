// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppSection.h"

namespace chorale {

namespace {
struct SectionRow {
    AppSection section;
    const char *raw;
    const char *title;
    const char *icon;
};

constexpr SectionRow sectionTable[] = {
        {AppSection::characters, "characters", "Characters", "person.crop.rectangle.stack.fill"},
        {AppSection::record, "record", "Record", "mic.fill"},
        {AppSection::prompt, "prompt", "Prompt", "textformat.abc"},
        {AppSection::library, "library", "Recordings", "square.stack.fill"},
        {AppSection::dialogues, "dialogues", "Dialogues", "text.bubble.fill"},
        {AppSection::settings, "settings", "Settings", "gearshape.fill"},
};

const SectionRow &row(AppSection section) {
    return sectionTable[static_cast<int>(section)];
}

struct SortRow {
    LibrarySort sort;
    const char *raw;
    const char *label;
};

constexpr SortRow sortTable[] = {
        {LibrarySort::date, "date", "Date"},
        {LibrarySort::duration, "duration", "Length"},
        {LibrarySort::character, "character", "Character"},
};
} // namespace

const QList<AppSection> &allAppSections() {
    static const QList<AppSection> all = [] {
        QList<AppSection> list;
        for (const auto &r : sectionTable)
            list << r.section;
        return list;
    }();
    return all;
}

QString rawValue(AppSection section) {
    return QString::fromLatin1(row(section).raw);
}
QString title(AppSection section) {
    return QString::fromLatin1(row(section).title);
}
QString iconName(AppSection section) {
    return QString::fromLatin1(row(section).icon);
}

std::optional<AppSection> appSectionFromRaw(const QString &raw) {
    for (const auto &r : sectionTable) {
        if (raw == QLatin1String(r.raw))
            return r.section;
    }
    return std::nullopt;
}

const QList<LibrarySort> &allLibrarySorts() {
    static const QList<LibrarySort> all = {LibrarySort::date, LibrarySort::duration,
                                           LibrarySort::character};
    return all;
}

QString rawValue(LibrarySort sort) {
    return QString::fromLatin1(sortTable[static_cast<int>(sort)].raw);
}

QString label(LibrarySort sort) {
    return QString::fromLatin1(sortTable[static_cast<int>(sort)].label);
}

std::optional<LibrarySort> librarySortFromRaw(const QString &raw) {
    for (const auto &r : sortTable) {
        if (raw == QLatin1String(r.raw))
            return r.sort;
    }
    return std::nullopt;
}

} // namespace chorale
