#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QTimer;
class LinkLabel;
class QVButton;

// The about box: version, product links, support buttons, the award picture, the agreement and a
// line of scrolling texts from "system/adrotlist.config". Loads itself when made; the main window
// shows it modal.
class frmAbout final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    static constexpr int ClientWidth = 465;
    static constexpr int ClientHeight = 330;
    static constexpr int ScrollInterval = 4000;
    // Widest a product link is shown, in pixels.
    static constexpr int LinkMaxWidth = 320;

    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    void done(int result) override;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void btnEmailSupport_Click();
    void btnWebSupport_Click();
    void imgAward_Click();
    void lblEula_Click();
    void lblLnkQuorvaneSite_Click();
    void lblLinkWebSite_Click();
    void lblLinkClose_Click();
    void tmrScroller_Timer();

private:
    void BuildWindow();
    void BuildInformation();
    void BuildLinks();
    void BuildScrollText();
    LinkLabel* MakeLink(const QString& name, const QString& caption, const QPoint& at);

    void Form_Load();
    void Form_MouseMove();
    void lblScrollText_MouseMove();
    void LoadScrollTexts();
    QString GetNextScrollText();

    QLabel* imgTopBanner = nullptr;
    QLabel* lblQVLiteVersionInfo = nullptr;
    LinkLabel* lblLnkQuorvaneSite = nullptr;
    LinkLabel* lblLinkWebSite = nullptr;
    QVButton* btnEmailSupport = nullptr;
    QVButton* btnWebSupport = nullptr;
    LinkLabel* imgAward = nullptr;
    LinkLabel* lblEula = nullptr;
    LinkLabel* lblLinkClose = nullptr;
    QLabel* lblScrollText = nullptr;
    QTimer* tmrScroller = nullptr;

    QString strSupportURL;
    QString strAwardURL;
    bool blnScrollText = false;
    QStringList arScrollText;
    int intScrollCount = 0;
    // The text shown last; -1 before the first.
    int intScrollIndex = -1;
};
