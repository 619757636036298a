#include "frmSettings.h"

#include "mainwindow/QVButton.h"

#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace {

// Design sizes in pixels (15 twips a pixel).
constexpr int kWidth = 481;
constexpr int kHeight = 505;
constexpr int kTabTop = 24;
constexpr int kFrameHeight = 435;
constexpr int kFieldLeft = 150;

QLabel* MakeText(QWidget* frame, const QString& text, const QRect& geometry,
                 QWidget* buddy = nullptr) {
    auto* label = new QLabel(text, frame);
    label->setWordWrap(true);
    label->setGeometry(geometry);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
    }
    return label;
}

QLineEdit* MakeBox(QWidget* frame, const QString& name, const QRect& geometry, int maxLength,
                   bool masked = false) {
    auto* box = new QLineEdit(frame);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setMaxLength(maxLength);
    if (masked) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    }
    return box;
}

void MakeGrey(QLineEdit* box) {
    box->setReadOnly(true);
    QPalette grey = box->palette();
    grey.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
    box->setPalette(grey);
}

QVButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                     const QRect& geometry) {
    auto* button = new QVButton(parent);
    button->setObjectName(name);
    button->SetCaption(caption);
    button->setGeometry(geometry);
    return button;
}

QGroupBox* MakeFrame(QWidget* window, const QString& name, const QString& caption) {
    auto* frame = new QGroupBox(caption, window);
    frame->setObjectName(name);
    frame->setGeometry(0, kTabTop, kWidth, kFrameHeight);
    return frame;
}

const QString NoPasswordText =
    QStringLiteral("If you do not want to be prompted for a password, then leave the password "
                   "blank.");
const QString ForgetWarningText =
    QStringLiteral("Warning: If you forget the password, you will not be able to recover it, and "
                   "the application may not be accessible.  You can set a password hint here "
                   "which will be displayed in case you forgot your password.");

} // namespace

void frmSettings::BuildWindow() {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Quorvane Lite :: Settings"));
    setModal(true);
    setFont(QFont(QStringLiteral("Tahoma")));
    setFixedSize(kWidth, kHeight);

    btnTabApplication = MakeButton(this, QStringLiteral("btnTabApplication"),
                                   QStringLiteral("Application"), QRect(0, 0, 105, kTabTop));
    btnTabAdministration =
        MakeButton(this, QStringLiteral("btnTabAdministration"), QStringLiteral("Administration"),
                   QRect(104, 0, 105, kTabTop));
    btnTabUtility = MakeButton(this, QStringLiteral("btnTabUtility"), QStringLiteral("Data"),
                               QRect(208, 0, 105, kTabTop));
    connect(btnTabApplication, &QVButton::Click, this, &frmSettings::btnTabApplication_Click);
    connect(btnTabAdministration, &QVButton::Click, this, &frmSettings::btnTabAdministration_Click);
    connect(btnTabUtility, &QVButton::Click, this, &frmSettings::btnTabUtility_Click);

    BuildApplicationTab();
    BuildAdministrationTab();
    BuildUtilityTab();
    BuildCommonButtons();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void frmSettings::BuildApplicationTab() {
    fraTabApplication = MakeFrame(this, QStringLiteral("fraTabApplication"),
                                  QStringLiteral("Application Settings"));
    QWidget* f = fraTabApplication;
    MakeText(f,
             QStringLiteral("To protect the Application with a password, enter a password below. "
                            "When a password is set, the Application can be accessed only by "
                            "providing the password."),
             QRect(12, 20, 457, 44));
    MakeText(f, NoPasswordText, QRect(12, 64, 457, 32));
    txtPassword = MakeBox(f, QStringLiteral("txtPassword"), QRect(kFieldLeft, 100, 200, 22),
                          PasswordMaxLength, true);
    MakeText(f, QStringLiteral("&Password"), QRect(12, 102, 130, 18), txtPassword);
    txtConfPassword = MakeBox(f, QStringLiteral("txtConfPassword"), QRect(kFieldLeft, 128, 200, 22),
                              PasswordMaxLength, true);
    MakeText(f, QStringLiteral("&Retype password"), QRect(12, 130, 130, 18), txtConfPassword);
    MakeText(f, ForgetWarningText, QRect(12, 158, 457, 58));
    txtHint =
        MakeBox(f, QStringLiteral("txtHint"), QRect(kFieldLeft, 220, 250, 22), PasswordMaxLength);
    MakeText(f, QStringLiteral("Forgot Password &Hint"), QRect(12, 222, 136, 18), txtHint);

    txtCompanyName = MakeBox(f, QStringLiteral("txtCompanyName"), QRect(kFieldLeft, 262, 300, 22),
                             CompanyNameMaxLength);
    MakeText(f, QStringLiteral("Display &Name"), QRect(12, 264, 130, 18), txtCompanyName);

    QVLogo = MakeButton(f, QStringLiteral("QVLogo"), QStringLiteral("Select Logo"),
                        QRect(12, 306, QVButton::DefaultWidth, QVButton::DefaultHeight));
    connect(QVLogo, &QVButton::Click, this, &frmSettings::QVLogo_Click);
    imgLogo = new QLabel(f);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(kFieldLeft, 300, LogoMaxWidth + 2, LogoMaxHeight + 2);
    imgLogo->setFrameShape(QFrame::Box);
    imgLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MakeText(f,
             QStringLiteral("Only JPG files are allowed. Allowed size within 180*50 px (Width * "
                            "Height)"),
             QRect(12, 362, 457, 32));
}

void frmSettings::BuildAdministrationTab() {
    fraTabAdministration = MakeFrame(this, QStringLiteral("fraTabAdministration"),
                                     QStringLiteral("Administration Settings"));
    QWidget* f = fraTabAdministration;
    MakeText(f,
             QStringLiteral("To protect the Settings page with a password, enter a password "
                            "below. When a password is set, the Settings page can be accessed "
                            "only by providing the password."),
             QRect(12, 20, 457, 44));
    MakeText(f, NoPasswordText, QRect(12, 64, 457, 32));
    txtSettingsPassword = MakeBox(f, QStringLiteral("txtSettingsPassword"),
                                  QRect(kFieldLeft, 100, 200, 22), PasswordMaxLength, true);
    MakeText(f, QStringLiteral("&Password"), QRect(12, 102, 130, 18), txtSettingsPassword);
    txtSettingsRetypePassword = MakeBox(f, QStringLiteral("txtSettingsRetypePassword"),
                                        QRect(kFieldLeft, 128, 200, 22), PasswordMaxLength, true);
    MakeText(f, QStringLiteral("&Retype password"), QRect(12, 130, 130, 18),
             txtSettingsRetypePassword);
    MakeText(f, ForgetWarningText, QRect(12, 158, 457, 58));
    txtSettingsPasswordHint = MakeBox(f, QStringLiteral("txtSettingsPasswordHint"),
                                      QRect(kFieldLeft, 220, 250, 22), PasswordMaxLength);
    MakeText(f, QStringLiteral("Forgot Password &Hint"), QRect(12, 222, 136, 18),
             txtSettingsPasswordHint);
}

void frmSettings::BuildUtilityTab() {
    fraTabUtility = MakeFrame(this, QStringLiteral("fraTabUtility"), QStringLiteral("Data"));
    QWidget* f = fraTabUtility;
    txtDatabaseName = MakeBox(f, QStringLiteral("txtDatabaseName"), QRect(kFieldLeft, 24, 300, 22),
                              PathMaxLength);
    MakeText(f, QStringLiteral("Data File &Name"), QRect(12, 26, 130, 18), txtDatabaseName);
    txtApplicationDataPath = MakeBox(f, QStringLiteral("txtApplicationDataPath"),
                                     QRect(kFieldLeft, 52, 300, 22), PathMaxLength);
    MakeGrey(txtApplicationDataPath);
    MakeText(f, QStringLiteral("Database Path"), QRect(12, 54, 130, 18));
    BuildBackupTools(f);
    BuildPurgeTools(f);
}

void frmSettings::BuildBackupTools(QWidget* frame) {
    MakeText(frame,
             QStringLiteral("To take a data backup, select a path and a file name by clicking on "
                            "the browse button below and then click the Backup button."),
             QRect(12, 90, 457, 32));
    txtBackupPath = MakeBox(frame, QStringLiteral("txtBackupPath"), QRect(kFieldLeft, 128, 300, 22),
                            PathMaxLength);
    txtBackupPath->setReadOnly(true);
    txtBackupPath->installEventFilter(this);
    MakeText(frame, QStringLiteral("Backup &Path"), QRect(12, 130, 130, 18), txtBackupPath);
    btnBrowseBKFPath =
        MakeButton(frame, QStringLiteral("btnBrowseBKFPath"), QStringLiteral("Browse"),
                   QRect(kFieldLeft, 158, QVButton::DefaultWidth, QVButton::DefaultHeight));
    btnBackup =
        MakeButton(frame, QStringLiteral("btnBackup"), QStringLiteral("Backup"),
                   QRect(kFieldLeft + 112, 158, QVButton::DefaultWidth, QVButton::DefaultHeight));
    connect(btnBrowseBKFPath, &QVButton::Click, this, &frmSettings::btnBrowseBKFPath_Click);
    connect(btnBackup, &QVButton::Click, this, &frmSettings::btnBackup_Click);
}

void frmSettings::BuildPurgeTools(QWidget* frame) {
    MakeText(frame, QStringLiteral("Date Format: dd-MM-yyyy"), QRect(12, 204, 457, 18));
    txtPurgeStartDate = MakeBox(frame, QStringLiteral("txtPurgeStartDate"),
                                QRect(kFieldLeft, 228, 100, 22), DateMaxLength);
    MakeGrey(txtPurgeStartDate);
    MakeText(frame, QStringLiteral("Date From"), QRect(12, 230, 130, 18));
    txtPurgeEndDate = MakeBox(frame, QStringLiteral("txtPurgeEndDate"),
                              QRect(kFieldLeft, 256, 100, 22), DateMaxLength);
    txtPurgeEndDate->setToolTip(QStringLiteral("Date must be in dd-MM-yyyy format"));
    txtPurgeEndDate->installEventFilter(this);
    connect(txtPurgeEndDate, &QLineEdit::textChanged, this, &frmSettings::txtPurgeEndDate_Change);
    MakeText(frame, QStringLiteral("Date &To"), QRect(12, 258, 130, 18), txtPurgeEndDate);
    btnPurge =
        MakeButton(frame, QStringLiteral("btnPurge"), QStringLiteral("Purge"),
                   QRect(kFieldLeft + 112, 254, QVButton::DefaultWidth, QVButton::DefaultHeight));
    connect(btnPurge, &QVButton::Click, this, &frmSettings::btnPurge_Click);
    MakeText(frame,
             QStringLiteral("Warning: Purging will permanently remove the data from your current "
                            "database file."),
             QRect(12, 296, 457, 32));
}

void frmSettings::BuildCommonButtons() {
    btnSave = MakeButton(this, QStringLiteral("btnSave"), QStringLiteral("Save"),
                         QRect(283, 467, 90, 26));
    btnExit = MakeButton(this, QStringLiteral("btnExit"), QStringLiteral("Exit"),
                         QRect(378, 467, 90, 26));
    connect(btnSave, &QVButton::Click, this, &frmSettings::btnSave_Click);
    connect(btnExit, &QVButton::Click, this, &frmSettings::btnExit_Click);
}
