#pragma once
// The sub tool window: the feeding timer ("MAG Timer") and the section-ID
// checker ("ID Checker").

#include <QLineEdit>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace qvr {
class AlarmPlayer;
class OpenDialog;
} // namespace qvr

// The time box: at most five characters can be typed, but a longer text that the
// program sets (the eight-character time text) is shown whole and can be shortened.
class TMaskEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int TYPED_LIMIT = 5;
    explicit TMaskEdit(QWidget* parent = nullptr);
    // Hides QLineEdit::setText so that the program's own texts pass the typing limit.
    void setText(const QString& text);

private:
    class LimitValidator;
    LimitValidator* limit_;
};

class TForm2 : public QWidget {
    Q_OBJECT
public:
    // player: where the alarm sounds; none = the toolkit's sound output, owned here.
    explicit TForm2(const std::string& soundfile, qvr::AlarmPlayer* player = nullptr, QWidget* parent = nullptr);
    ~TForm2() override;

    // Puts the window just right of the main window's frame, or at its design
    // place without one; kept on the screen either way.
    void placeBeside(const QWidget* main);

    // --- handlers ---
    void Button1Click();
    void Timer1Timer();
    void SpeedButton1Click();
    void Edit1Change();

    // --- state ---
    std::int32_t timerlength = 0; // seconds of one countdown
    std::int32_t timerelapsed = 0; // ticks since the last start or alarm
    std::string alarmfile; // native 8-bit name of the wave file

    // --- controls ---
    QLabel* Panel1;
    QFrame* Panel2;
    QGroupBox* GroupBox2;
    TMaskEdit* MaskEdit1;
    QCheckBox* CRep;
    QLabel* Label1;
    QPushButton* Button1;
    QToolButton* SpeedButton1;
    QProgressBar* ProgBar1;
    QFrame* Panel3;
    QGroupBox* GroupBox1;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QCheckBox* CBB;
    QComboBox* CBType;
    QTimer* Timer1;
    qvr::OpenDialog* OpenDialog3;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildTimer(QBoxLayout* column);
    void buildChecker(QBoxLayout* column);
    void buildHelpers();
    void nameForReaders();
    void connectHandlers();

    std::unique_ptr<qvr::AlarmPlayer> ownPlayer_;
    qvr::AlarmPlayer* player_;
    bool sized_ = false;
};

extern TForm2* Form2;
