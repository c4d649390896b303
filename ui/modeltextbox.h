#pragma once

#include <QLineEdit>

namespace la {

class TextModel;

// A read-only, centred text box showing a TextModel's text and tooltip.
class ModelTextBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit ModelTextBox(TextModel &model, QWidget *parent = nullptr);
    ~ModelTextBox() override;

private:
    void refresh();

    TextModel &m_model;
};

} // namespace la
