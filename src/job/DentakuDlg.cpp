#include "job/DentakuDlg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "job/Dentaku.h"
#include "platform/Prompt.h"

namespace {

struct Key {
    const char* Name;
    const char* Caption;
    const char* Text;  // typed into the expression; null for the command keys
    int Row;
    int Column;
};

// Nine keys a row like a desk calculator, the commands in the right-hand columns.
constexpr Key kKeys[] = {
    {"key7", "７", "7", 0, 0},      {"key8", "８", "8", 0, 1},         {"key9", "９", "9", 0, 2},
    {"keyDivide", "／", "/", 0, 3}, {"keyOpen", "（", "(", 0, 4},      {"key4", "４", "4", 1, 0},
    {"key5", "５", "5", 1, 1},      {"key6", "６", "6", 1, 2},         {"keyTimes", "＊", "*", 1, 3},
    {"keyClose", "）", ")", 1, 4},  {"key1", "１", "1", 2, 0},         {"key2", "２", "2", 2, 1},
    {"key3", "３", "3", 2, 2},      {"keyMinus", "－", "-", 2, 3},     {"keyBackspace", "BS", nullptr, 2, 4},
    {"key0", "０", "0", 3, 0},      {"keyPoint", "．", ".", 3, 1},     {"keyEquals", "＝", nullptr, 3, 2},
    {"keyPlus", "＋", "+", 3, 3},   {"keyClear", "AC", nullptr, 3, 4},
};

}  // namespace

CDentakuDlg::CDentakuDlg(const QString& expression, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt)
{
    setObjectName("dentakuDialog");
    setWindowTitle("電卓");

    m_edit = new QLineEdit(expression, this);
    m_edit->setObjectName("expressionEdit");
    // Numbers and operators only: no input method conversion.
    m_edit->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText | Qt::ImhLatinOnly);
    m_edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_edit->setAlignment(Qt::AlignRight);

    auto* keys = new QGridLayout;
    keys->setSpacing(4);
    for (const Key& key : kKeys) {
        auto* button = new QPushButton(key.Caption, this);
        button->setObjectName(key.Name);
        button->setFocusPolicy(Qt::NoFocus);  // typing stays in the expression
        button->setAutoDefault(false);
        button->setMinimumSize(40, 32);
        keys->addWidget(button, key.Row, key.Column);
        const QString name = key.Name;
        if (key.Text != nullptr) {
            const QString text = key.Text;
            connect(button, &QPushButton::clicked, this, [this, text] { TypeKey(text); });
        } else if (name == "keyBackspace") {
            connect(button, &QPushButton::clicked, this, [this] {
                m_edit->backspace();
                m_edit->setFocus();
            });
        } else if (name == "keyClear") {
            connect(button, &QPushButton::clicked, this, [this] {
                m_edit->clear();
                m_edit->setFocus();
            });
        } else {
            connect(button, &QPushButton::clicked, this, [this] { Evaluate(); });
        }
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    ok->setFocusPolicy(Qt::NoFocus);
    keys->addWidget(ok, 4, 0, 1, 5);
    connect(ok, &QPushButton::clicked, this, &CDentakuDlg::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addLayout(keys);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_edit->setFocus();
    m_edit->installEventFilter(this);
}

bool CDentakuDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text == "=" || text == "＝") {
            Evaluate();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString CDentakuDlg::Expression() const
{
    return m_edit->text();
}

void CDentakuDlg::setVisible(bool visible)
{
    QDialog::setVisible(visible);  // hands the edit a tab focus, which selects all of it
    if (!visible) {
        return;
    }
    m_edit->deselect();
    m_edit->end(false);  // the caret after the field's number, ready to go on with it
}

void CDentakuDlg::TypeKey(const QString& text)
{
    m_edit->insert(text);  // at the caret, over a selection, as if typed
    m_edit->setFocus();
}

bool CDentakuDlg::Evaluate()
{
    const DentakuResult result = EvaluateExpression(m_edit->text().toStdString());
    if (result.Error != DentakuError::None) {
        m_prompt.ShowError(DentakuMessage(result.Error));
        m_edit->setFocus();
        return false;
    }
    m_result = QString::fromStdString(FormatDentaku(result.Value));
    m_edit->setText(m_result);
    m_edit->setFocus();
    return true;
}

void CDentakuDlg::accept()
{
    if (Evaluate()) {
        QDialog::accept();
    }
}

void CDentakuDlg::PlaceAt(const QWidget* field)
{
    adjustSize();
    const QPoint topLeft = field->mapToGlobal(QPoint(0, 0));
    const QScreen* screen = field->screen() != nullptr ? field->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size = frameGeometry().size().expandedTo(this->size());
    const DentakuPoint at =
        PlaceDentaku({topLeft.x(), topLeft.y(), field->width(), field->height()}, size.width(), size.height(),
                     {desktop.x(), desktop.y(), desktop.width(), desktop.height()});
    move(at.X, at.Y);
}

bool RunDentaku(QLineEdit* field, Prompt& prompt)
{
    CDentakuDlg dialog(field->text(), prompt, field->window());
    dialog.PlaceAt(field);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    field->setText(dialog.ResultText());
    field->setFocus();
    return true;
}

void AttachDentaku(QAbstractButton* button, QLineEdit* field, Prompt& prompt)
{
    QObject::connect(button, &QAbstractButton::clicked, field,
                     [field, &prompt] { RunDentaku(field, prompt); });
}
