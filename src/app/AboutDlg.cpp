#include "app/AboutDlg.h"

#include "LintoroVersion.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("TAVREN"), this));
    layout->addWidget(new QLabel(QStringLiteral("Ver. ") + QLatin1String(kLintoroVersion), this));
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("Version of Opengl32.dll"), this));
    versionField_ = new QLineEdit(this);
    versionField_->setReadOnly(true);
    versionField_->setText(OpenGLVersionText());
    versionField_->setCursorPosition(0);
    // Wide enough for the whole text (a renderer's name runs long), within the screen.
    QStyleOptionFrame frame;
    frame.initFrom(versionField_);
    const QSize text(versionField_->fontMetrics().horizontalAdvance(versionField_->text()) + 8,
                     versionField_->sizeHint().height());
    int width = versionField_->style()
                    ->sizeFromContents(QStyle::CT_LineEdit, &frame, text, versionField_)
                    .width();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    versionField_->setMinimumWidth(std::max(320, width));
    layout->addWidget(versionField_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setSizeGripEnabled(false);
}

QString CAboutDlg::OpenGLVersionText()
{
    QOpenGLContext context;
    if (!context.create())
        return QString();
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return QString();
    QOpenGLFunctions* gl = context.functions();
    const auto text = [gl](GLenum name) {
        const GLubyte* s = gl->glGetString(name);
        return s ? QString::fromLatin1(reinterpret_cast<const char*>(s)) : QString();
    };
    const QString version = text(GL_VERSION);
    const QString renderer = text(GL_RENDERER);
    context.doneCurrent();
    if (renderer.isEmpty())
        return version;
    return version + QStringLiteral(" / ") + renderer;
}
