#pragma once

#include <QDialog>
#include <QString>

class Prompt;
class QAbstractButton;
class QLineEdit;
class QPushButton;

// The calculator 電卓. Opens on a field's text; "＝" shows the result in the expression, OK
// evaluates and closes on success. Every other way of closing leaves the field alone.
class CDentakuDlg : public QDialog {
    Q_OBJECT
public:
    CDentakuDlg(const QString& expression, Prompt& prompt, QWidget* parent = nullptr);

    QString Expression() const;
    // The result text after OK.
    QString ResultText() const { return m_result; }
    // Places the calculator at the field it was opened for (under it, or above / shifted left).
    void PlaceAt(const QWidget* field);

public slots:
    void accept() override;
    void setVisible(bool visible) override;

protected:
    // "=" typed in the expression evaluates it, as the ＝ key does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Evaluate();
    void TypeKey(const QString& text);

    Prompt& m_prompt;
    QLineEdit* m_edit = nullptr;
    QString m_result;
};

// Opens the calculator for the field; on OK its result replaces the field's text. True on OK.
bool RunDentaku(QLineEdit* field, Prompt& prompt);

// The calculator button beside a number field: a click runs RunDentaku on the field.
// The prompt must outlive the button.
void AttachDentaku(QAbstractButton* button, QLineEdit* field, Prompt& prompt);
