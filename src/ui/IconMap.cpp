// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/IconMap.h"

#include <QHash>

namespace chorale {

namespace {
const QHash<QString, QString> &table() {
    static const QHash<QString, QString> map = {
            {"person.crop.rectangle.stack.fill", "group"},
            {"person.crop.rectangle.stack", "group"},
            {"mic.fill", "audio-input-microphone"},
            {"waveform.badge.mic", "audio-input-microphone"},
            {"textformat.abc", "draw-text"},
            {"square.stack.fill", "view-media-playlist"},
            {"square.stack", "view-media-playlist"},
            {"text.bubble.fill", "dialog-messages"},
            {"text.bubble", "dialog-messages"},
            {"gearshape.fill", "configure"},
            {"plus", "list-add"},
            {"waveform", "view-media-visualization"},
            {"play.fill", "media-playback-start"},
            {"pause.fill", "media-playback-pause"},
            {"stop.fill", "media-playback-stop"},
            {"square.and.pencil", "document-edit"},
            {"arrow.down.doc", "document-import"},
            {"arrow.down.circle.fill", "download"},
            {"square.and.arrow.down", "document-save"},
            {"magnifyingglass", "edit-find"},
            {"chevron.left", "go-previous"},
            {"chevron.right", "go-next"},
            {"trash", "edit-delete"},
            {"folder", "folder-open"},
            {"arrow.clockwise", "view-refresh"},
            {"record.circle", "media-record"},
            {"plus.magnifyingglass", "zoom-in"},
            {"minus.magnifyingglass", "zoom-out"},
            {"square.and.arrow.up", "document-export"},
    };
    return map;
}
} // namespace

IconMap::IconMap(QObject *parent)
    : QObject(parent) {}

QString IconMap::name(const QString &symbol) {
    return table().value(symbol, symbol);
}

} // namespace chorale
