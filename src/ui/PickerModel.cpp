// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PickerModel.h"

#include <algorithm>

namespace chorale {

PickerModel::PickerModel(QObject *parent)
    : QAbstractListModel(parent) {}

void PickerModel::setOptions(const QList<Option> &options) {
    if (options == m_options)
        return;
    const qsizetype before = m_options.size();
    beginResetModel();
    m_options = options;
    endResetModel();
    if (before != m_options.size())
        emit countChanged();
    // A reset leaves a bound menu without its current entry: always tell it again.
    emit currentIndexChanged();
}

bool PickerModel::contains(const QString &value) const {
    return std::any_of(m_options.begin(), m_options.end(),
                       [&](const Option &option) { return option.value == value; });
}

void PickerModel::setCurrentValue(const QString &value) {
    if (value == m_currentValue)
        return;
    m_currentValue = value;
    emit currentValueChanged();
    emit currentIndexChanged();
}

int PickerModel::currentIndex() const {
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        if (m_options[i].value == m_currentValue)
            return int(i);
    }
    return -1;
}

void PickerModel::activate(int index) {
    if (index < 0 || index >= m_options.size())
        return;
    setCurrentValue(m_options[index].value);
}

int PickerModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_options.size());
}

QVariant PickerModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Option &option = m_options[index.row()];
    switch (role) {
    case ValueRole:
        return option.value;
    case Qt::DisplayRole:
    case TextRole:
        return option.text;
    }
    return {};
}

QHash<int, QByteArray> PickerModel::roleNames() const {
    return {{ValueRole, "value"}, {TextRole, "text"}};
}

} // namespace chorale
