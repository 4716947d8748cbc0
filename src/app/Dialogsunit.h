// The one door through which the windows ask the user something: file dialogs, message boxes
// and modal dialogs. The program uses TQtDialogs; tests put in their own answers.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QPrinter;
class QUrl;
class QWidget;

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    // The chosen file's path, or an empty text when the user cancels.
    virtual QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter) = 0;
    // The chosen files' paths, in the order chosen, or none when the user cancels.
    virtual QStringList GetOpenFileNames(QWidget* parent, const QString& caption,
                                         const QString& folder, const QString& filter) = 0;
    virtual QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter, const QString& defaultSuffix) = 0;
    // A message box with one OK button.
    virtual void ShowMessage(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The same box with a second, smaller text under the first (QMessageBox's informative
    // text): what was found, where.
    virtual void ShowDetailedMessage(QWidget* parent, const QString& caption, const QString& text,
                                     const QString& informativeText) = 0;
    // A warning box (exclamation icon, OK button) that stays on top.
    virtual void ShowWarning(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The standard box for a failure that stopped a command.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Shows dialog modally and returns its result (QDialog::Accepted, or another code).
    virtual int ExecModal(QDialog& dialog) = 0;
    // Opens menu as a pop-up at a screen point and returns the item chosen, or nullptr when
    // the menu was dismissed. The caller runs the chosen command.
    virtual QAction* ExecPopup(QMenu& menu, const QPoint& screenPoint) = 0;
    // Opens a document with the desktop's viewer for it; false when none could.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // The print preview: paint draws the pages on the printer whenever the preview asks, and
    // the user prints from it (choosing the printer) or closes it. Returned: true when printed.
    // Without a preview of its own, nothing is printed.
    virtual bool PrintWithPreview(QWidget*, const std::function<void(QPrinter&)>&) { return false; }
};

// Real dialogs on screen.
class TQtDialogs : public TUserDialogs {
public:
    QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                            const QString& filter) override;
    QStringList GetOpenFileNames(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                            const QString& filter, const QString& defaultSuffix) override;
    void ShowMessage(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowDetailedMessage(QWidget* parent, const QString& caption, const QString& text,
                             const QString& informativeText) override;
    void ShowWarning(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;
    int ExecModal(QDialog& dialog) override;
    QAction* ExecPopup(QMenu& menu, const QPoint& screenPoint) override;
    bool OpenUrl(const QUrl& url) override;
    bool PrintWithPreview(QWidget* parent, const std::function<void(QPrinter&)>& paint) override;
};
