// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace chorale {

// The options of one drop-down picker and its selection. Each option has a value (an id or a
// raw value; empty for "nothing chosen") and the text the menu shows. The selection is kept as a
// value, so it survives the options being rebuilt, and may name no option at all (the menu then
// shows no current entry). QML binds a ComboBox's currentIndex to `currentIndex` and reports the
// user's choice with activate().
class PickerModel : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    Q_PROPERTY(
            QString currentValue READ currentValue WRITE setCurrentValue NOTIFY currentValueChanged)
    // The row of the selected value, or -1 when no option has it.
    Q_PROPERTY(int currentIndex READ currentIndex NOTIFY currentIndexChanged)

public:
    struct Option {
        QString value;
        QString text;
        bool operator==(const Option &) const = default;
    };

    enum Role {
        ValueRole = Qt::UserRole + 1,
        TextRole,
    };

    explicit PickerModel(QObject *parent = nullptr);

    void setOptions(const QList<Option> &options);
    const QList<Option> &options() const { return m_options; }
    bool contains(const QString &value) const;

    QString currentValue() const { return m_currentValue; }
    void setCurrentValue(const QString &value);
    int currentIndex() const;

    // The user picked row `index`.
    Q_INVOKABLE void activate(int index);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();
    void currentValueChanged();
    void currentIndexChanged();

private:
    QList<Option> m_options;
    QString m_currentValue;
};

} // namespace chorale
