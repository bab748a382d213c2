#pragma once
// The About box: program name, version and the OpenGL implementation in use.

#include <QDialog>

class QLineEdit;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // "version / renderer" of the OpenGL implementation on this machine, from
    // a short-lived context; empty when no context can be made.
    static QString OpenGLVersionText();
    QLineEdit* VersionField() const { return versionField_; }

private:
    QLineEdit* versionField_ = nullptr;
};
