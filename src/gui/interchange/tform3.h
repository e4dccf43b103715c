#pragma once
// The export options dialog: four check boxes that are the HTML and XML exports'
// options, read from the settings file when built and written back at the end.

#include <QDialog>

#include "settings/exportoptions.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Writes the four options; the program's shutdown calls it before deleting the
    // window. A failure is reported and the shutdown goes on.
    void FormDestroy();

    // The check boxes as they stand now.
    qvr::ExportOptions options() const;

    QGroupBox* GroupBox1;
    QCheckBox* CheckBox1; // "Status"
    QCheckBox* CheckBox2; // "EP1Time"
    QCheckBox* CheckBox3; // "EP2Time"
    QCheckBox* CheckBox4; // "Memo"
    QPushButton* Button3; // "Ok"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setOptions(const qvr::ExportOptions& o);
};

extern TForm3* Form3;
