#pragma once

#include <QStyledItemDelegate>

#include <utility>
#include <vector>

namespace nakilon {

// The drop-down editor of a column whose numbers are shown by texts
// ("Yetki": 0 "Kullanıcı", 1 "Tam Yetkili Admin", ...). The editor offers the
// texts and hands the chosen number to the model.
class ChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ChoiceDelegate(std::vector<std::pair<int, QString>> choices, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    std::vector<std::pair<int, QString>> m_choices;
};

} // namespace nakilon
