// SPDX-License-Identifier: GPL-3.0-or-later
// Times the Recordings list's proxy (LibraryProxyModel over LibraryTakeModel) on 10 000 takes:
// each search, character filter and sort change, against the same filter and stable sort done
// on a plain vector of the same rows, measured here in the same run. The screen's budget for
// one change is one frame, 16 ms.
#include "BenchSupport.h"
#include "ui/LibraryProxyModel.h"
#include "ui/LibraryTakeModel.h"

#include <QCoreApplication>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace chorale;

namespace {

constexpr int takeCount = 10000;
constexpr int runs = 21;
constexpr double frameMs = 16.0;

QList<LibraryItem> makeTakes(QList<QUuid> &characterIds) {
    const QStringList names = {"Anna", "Bob",   "Émile",  "Zoë",  "Default Male", "Default Female",
                               "anna", "Chloé", "Dmitri", "Ines", "Ōta",          "Bea"};
    const QStringList devices = {"USB Microphone", "Built-in Microphone", "Prompt", "Line In",
                                 "Headset (Bluetooth)"};
    const QStringList words = {"hello", "welcome", "tonight", "story", "again", "quiet", "storm"};
    for (int i = 0; i < names.size(); ++i)
        characterIds << QUuid::createUuid();
    QList<LibraryItem> takes;
    const QDateTime newest(QDate(2026, 3, 4), QTime(12, 0), Qt::UTC);
    for (int i = 0; i < takeCount; ++i) {
        LibraryItem item;
        item.id = QUuid::createUuid();
        const int c = (i * 7) % int(names.size());
        item.characterId = characterIds[c];
        item.characterName = names[c];
        if (i % 3)
            item.emotionName = i % 2 ? QStringLiteral("Calm") : QStringLiteral("Angry");
        item.sourceDevice = devices[i % devices.size()];
        if (i % 4)
            item.title = words[i % words.size()] + u' ' + words[(i / 7) % words.size()];
        item.duration = 0.5 + (i * 37 % 600) / 10.0; // many equal lengths
        item.createdAt = newest.addSecs(-i * 13);
        takes << item;
    }
    return takes;
}

// The reference: the same keys on a vector, filtered and stable-sorted directly.
struct Ref {
    int sourceRow;
    const LibraryTakeRow *row;
};

std::vector<Ref> referenceView(const QList<LibraryTakeRow> &rows, const QString &query,
                               const std::optional<QUuid> &character, LibrarySort sort) {
    std::vector<Ref> shown;
    shown.reserve(size_t(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const LibraryTakeRow &r = rows[i];
        if (character && r.item.characterId != character)
            continue;
        if (!query.isEmpty() && !r.titleKey.contains(query) && !r.characterKey.contains(query) &&
            !r.emotionKey.contains(query) && !r.deviceKey.contains(query))
            continue;
        shown.push_back({i, &r});
    }
    std::stable_sort(shown.begin(), shown.end(), [sort](const Ref &a, const Ref &b) {
        switch (sort) {
        case LibrarySort::date:
            return a.row->createdMs > b.row->createdMs;
        case LibrarySort::duration:
            return a.row->item.duration > b.row->item.duration;
        case LibrarySort::character:
            return a.row->characterRank < b.row->characterRank;
        }
        return false;
    });
    return shown;
}

struct Step {
    const char *label;
    QString query;
    bool filterCharacter;
    LibrarySort sort;
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QList<QUuid> characterIds;
    const QList<LibraryItem> takes = makeTakes(characterIds);

    LibraryTakeModel model;
    model.setCloneCheck([](const LibraryItem &) { return false; });
    const double buildSeconds = bench::medianSeconds(3, [&] {
        LibraryTakeModel fresh;
        fresh.setCloneCheck([](const LibraryItem &) { return false; });
        fresh.setItems(takes);
    });
    model.setItems(takes);
    LibraryProxyModel proxy;
    proxy.setTakes(&model);

    // The common store change: one take gets its title (or its clone); the rest are reused.
    QList<LibraryItem> retitled = takes;
    int flip = 0;
    const double updateSeconds = bench::medianSeconds(runs, [&] {
        retitled[5000].title = QStringLiteral("title %1").arg(++flip);
        model.setItems(retitled);
    });

    // Each step is a change from the previous one, as typing and clicking make them.
    const QList<Step> steps = {
            {"search \"s\"", "s", false, LibrarySort::date},
            {"search \"st\"", "st", false, LibrarySort::date},
            {"search \"sto\"", "sto", false, LibrarySort::date},
            {"search \"usb\"", "usb", false, LibrarySort::date},
            {"clear search", "", false, LibrarySort::date},
            {"sort by length", "", false, LibrarySort::duration},
            {"sort by character", "", false, LibrarySort::character},
            {"sort by date", "", false, LibrarySort::date},
            {"filter one character", "", true, LibrarySort::date},
            {"clear filter", "", false, LibrarySort::date},
    };
    std::printf("Library proxy, %d takes (median of %d runs per change)\n", takeCount, runs);
    std::printf("  building the row model from scratch: %.1f ms (when the screen opens)\n",
                buildSeconds * 1000);
    std::printf("  one take retitled in the store: %.2f ms (list and proxy follow)\n",
                updateSeconds * 1000);
    std::printf("  %-24s %10s %12s %8s %10s\n", "change", "proxy ms", "reference ms", "ratio",
                "of 16 ms");
    double worst = 0;
    for (int s = 0; s < steps.size(); ++s) {
        const Step &step = steps[s];
        const Step &before = steps[(s + steps.size() - 1) % steps.size()];
        // A change is done when a view could draw again: the row count and the first rows
        // are known (the proxy may defer its work to the first such question).
        const auto apply = [&](const Step &st) {
            proxy.setQuery(st.query);
            proxy.setCharacterFilter(st.filterCharacter ? std::optional(characterIds[1])
                                                        : std::nullopt);
            proxy.setSort(st.sort);
            const int rows = proxy.rowCount();
            for (int r = 0; r < std::min(rows, 20); ++r)
                proxy.index(r, 0).data(LibraryTakeModel::DisplayTitleRole);
        };
        std::vector<double> times;
        for (int r = 0; r < runs; ++r) {
            apply(before);
            times.push_back(bench::medianSeconds(1, [&] { apply(step); }));
        }
        std::sort(times.begin(), times.end());
        const double proxyMs = times[times.size() / 2] * 1000;
        size_t shown = 0;
        const double referenceMs =
                bench::medianSeconds(runs,
                                     [&] {
                                         shown = referenceView(
                                                         model.rows(), step.query,
                                                         step.filterCharacter
                                                                 ? std::optional(characterIds[1])
                                                                 : std::nullopt,
                                                         step.sort)
                                                         .size();
                                     }) *
                1000;
        if (shown != size_t(proxy.rowCount()))
            std::printf("  (row counts differ: %zu vs %d)\n", shown, proxy.rowCount());
        worst = std::max(worst, proxyMs);
        std::printf("  %-24s %10.2f %12.2f %7.1fx %9.0f%%\n", step.label, proxyMs, referenceMs,
                    proxyMs / std::max(referenceMs, 1e-6), proxyMs / frameMs * 100);
    }
    std::printf("  slowest change: %.2f ms, %.0f%% of a 16 ms frame\n", worst,
                worst / frameMs * 100);
    return 0;
}
