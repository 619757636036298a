#pragma once

#include <QString>
#include <QWidget>

class QFrame;
class QLabel;
class QTextBrowser;
class LinkLabel;

// The help window: the program folder's help pages in a browser, a menu of five topics, two
// picture links to support and a Close link. It lives as one instance at most, shown modeless.
class frmHelp final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmHelp)

public:
    static constexpr int ClientWidth = 881;  // 13215 twips
    static constexpr int ClientHeight = 660; // 9900 twips
    static constexpr int PageCount = 5;

    // Makes and shows the window on its first page when there is none; otherwise brings the
    // open one forward on the page it shows. Closing the window deletes it.
    static frmHelp* ShowHelp();

    explicit frmHelp(QWidget* parent = nullptr);
    ~frmHelp() override;

    // The full path of a page, by its menu row (0 = check-in).
    static QString PagePath(int row);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void lblLinkNew_Click();
    void lblLnkCheckedInList_Click();
    void lblLnkSearch_Click();
    void lblLnkSettings_Click();
    void lblLnkFAQ_Click();
    void imgLnkEmailUs_Focused_Click();
    void imgLnkSupportSite_Focused_Click();
    void lblLinkClose_Click();

private:
    void BuildWindow();
    void BuildTopBar();
    void BuildMenu();
    void BuildPictureLinks();

    void Form_Load();
    void Form_MouseMove();
    void Navigate(int row);
    void HighlightRow(int row);
    void ResetMenuHighlight();
    void ResetLinkImages();
    void ShowFocusedLink(QLabel* plain, QWidget* focused);

    QLabel* imgTopLogo = nullptr;
    QLabel* imgTopBanner = nullptr;
    LinkLabel* lblLinkClose = nullptr;
    QFrame* frameAdvertisements = nullptr;
    QLabel* lblBannerShortcut = nullptr;
    QLabel* lblHeaderShortcut = nullptr;
    // By menu row: check-in, check-out, search, settings, FAQ.
    QLabel* lblBG[PageCount] = {};
    QLabel* lblImg[PageCount] = {};
    LinkLabel* lblLink[PageCount] = {};
    QTextBrowser* brsHelp = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* imgLnkEmailUs = nullptr;
    LinkLabel* imgLnkEmailUs_Focused = nullptr;
    QLabel* imgLnkSupportSite = nullptr;
    LinkLabel* imgLnkSupportSite_Focused = nullptr;
    QLabel* Picture3 = nullptr;
    QLabel* imgfooter = nullptr;
};
