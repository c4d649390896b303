#pragma once

#include <QComboBox>

namespace la {

class EventGate;
class ListModel;

// A pick-only drop-down list showing a ListModel: its entries, its selection and whether it
// is enabled. The user's pick goes to the model through the gate; the list shows only what
// the model then holds. It draws its own closed face: the lists are narrow, and a themed
// arrow button would take most of their width.
class ModelComboBox : public QComboBox
{
    Q_OBJECT

public:
    ModelComboBox(ListModel &model, EventGate &gate, QWidget *parent = nullptr);
    ~ModelComboBox() override;

    // Width of the arrow button at the right end, in pixels.
    static constexpr int ArrowWidth = 15;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    ListModel &m_model;
};

} // namespace la
