#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPoint;
class QTimer;
class QAbstractItemModel;
class QTreeView;
class QVButton;
class RecordSet;
class LimitedTextEdit;
class LinkLabel;
class MainStatusBar;
class SearchResultsModel;
class VisitorListModel;
class ctlPellora;
class Visitor;

// The one working window: the details, search and checked-in list pages on one rectangle, the
// shortcuts panel, the top links, the webcam frame, the advertisements and the status bar.
//
// Whoever shows the window calls Load() first. Load() traps nothing: any failure reaches the caller
// as an exception (std::exception), and the window must then not be shown.
class frmMain final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    static constexpr int ClientWidth = 818;  // 12270 twips
    static constexpr int ClientHeight = 633; // 9495 twips
    // Rows the checked-in list shows at most.
    static constexpr int CheckedInListCap = 15000;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Loads the window (settings, advertisements, webcam, pages, new-visitor mode). Runs once;
    // throws on failure.
    void Load();

public Q_SLOTS:
    void EnableNewMode();
    void EnableEditMode();
    void EnableSearchMode();
    void EnableCheckedInListMode();

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void lblLinkNew_Click();
    void lblLnkSearch_Click();
    void lblLnkCheckedInList_Click();
    void lblLnkHelp_Click();
    void lblLnkSettings_Click();
    void lblLnkAbout_Click();
    void lblLnkExit_Click();
    void tmrScroller_Timer();

private:
    // Life cycle and hover highlight.
    void Form_Load();
    bool Form_QueryUnload();
    void Form_Unload();
    void Form_MouseMove();
    void fraMain_MouseMove();
    void lblBGNew_MouseMove();
    void lblBGSearch_MouseMove();
    void lblBGCheckedinList_MouseMove();
    void lblBannerShortcut_MouseMove();
    void ResetLinkHighlight();
    void HighlightLink(QLabel* background, QLabel* link);
    void SwitchTickerOn();
    void SetAdvertisementsUp();
    void FillCheckedInList();
    static void FocusIgnoringFailure(QWidget* widget);
    static void ReportingErrors(const QString& source, const std::function<void()>& action);

    // Details page: check-in, update, delete, check-out, load, print and clear, the drop-down
    // fillers and the webcam buttons (frmMainDetails*.cpp, frmMainDropDowns.cpp,
    // frmMainWebcamButtons*.cpp; members in the check-in block below).
    void ClearVisitorDetails(bool NewPassNo);
    void LoadVisitorForEdit(const QString& PassNo);
    void PrintPass(const QString& PassNo);

    // Search page, result lists and their menus, export (frmMainSearch*.cpp, frmMainLists.cpp,
    // frmMainExport.cpp).
    void LoadSearchFilters();
    void btnSearch_Click();
    void btnCancelSearch_Click();
    void SaveSearchFilters();
    void SearchDateBox_Change(QLineEdit* box);
    bool SearchDatesAreValid();
    void ShowFirstRows(const class RecordSet& first);
    void ListSearchResults(class RecordSet&& records);
    void ReportRowFailure(const QString& description, int intRowCount);
    void ConnectSearchPage();
    void BuildListMenus();
    void ConnectListEvents();
    void lstCheckedInList_ColumnClick(int Index);
    void lstSearchResults_ColumnClick(int Index);
    void lstCheckedInList_MouseUp(Qt::MouseButton Button, const QPoint& position);
    void lstSearchResults_MouseUp(Qt::MouseButton Button, const QPoint& position);
    void lstCheckedInList_DblClick();
    void lstSearchResults_DblClick();
    void mnuPrintPass_Click();
    void mnuCheckout_Click();
    void mnuEdit_Click();
    void mnuDelete_Click();
    void mnuSearchPrint_Click();
    void mnuSearchCheckout_Click();
    void mnuSearchEdit_Click();
    void mnuSearchDelete_Click();
    // What the two lists' handlers share, given the list they act on.
    void ListMouseUp(QTreeView* list, QMenu* menu, Qt::MouseButton Button, const QPoint& position);
    void PrintSelected(const QTreeView* list);
    void EditSelected(const QTreeView* list, bool fromSearch);
    void DeleteSelected(QTreeView* list, const QString& source);
    // Check-out and delete as every handler runs them: true when the visit changed; otherwise the
    // receptionist is told why and the log has the line under the handler's name (source).
    bool CheckOutVisit(Visitor& visitor, const QString& source);
    bool DeleteVisit(Visitor& visitor, const QString& source);
    // What did not happen and why, in the critical box; the log keeps the why under source.
    void ReportFailure(const QString& failure, const QString& description, const QString& source);
    QString SelectedPassNo(const QTreeView* list) const;
    void RemoveSelectedRow(QTreeView* list);
    void QVReport_Click();

    // Remembered column widths (frmMainListWidths.cpp).
    void LoadListWidths();
    void SaveListWidths();

    // Status-bar ticker and advertisement rotation (frmMainTicker.cpp).
    void RotateAdvertisement();
    QString GetNextStatusText();
    QString GetLoginDuration() const;

    // Layout (frmMainLayout.cpp).
    void BuildWindow();
    void BuildTopBar();
    void BuildAdvertisements();
    void BuildDetailsPage();
    void BuildDetailsFields();
    void BuildDetailsButtons();
    void BuildWebcamFrame();
    void BuildStatusBar();
    void BuildShortcuts();
    void BuildSearchPage();
    void BuildSearchFilters();
    void BuildSearchResults();
    void BuildCheckedInListPage();
    void SetDetailsTabOrder();
    void SetSearchTabOrder();
    QFrame* MakePage(const QString& name, const QString& header);
    QLabel* MakeFieldLabel(QWidget* parent, const QString& name, const QString& caption,
                           QWidget* buddy, int left, int top);
    QLineEdit* MakeLineEdit(QWidget* parent, const QString& name, int maxLength,
                            const QRect& place);
    QComboBox* MakeComboBox(QWidget* parent, const QString& name, const QRect& place);
    QVButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                         const QRect& place);
    LinkLabel* MakeLink(QWidget* parent, const QString& name, const QString& caption);
    QTreeView* MakeListView(QWidget* parent, const QString& name, QAbstractItemModel* model,
                            const QRect& place);

    // Top bar.
    QLabel* imgBanner = nullptr;
    QLabel* imgLogo = nullptr;
    LinkLabel* lblLnkHelp = nullptr;
    LinkLabel* lblLnkSettings = nullptr;
    LinkLabel* lblLnkAbout = nullptr;
    LinkLabel* lblLnkExit = nullptr;

    // Shortcuts panel.
    QFrame* frameAdvertisements = nullptr;
    QLabel* lblBannerShortcut = nullptr;
    QLabel* lblBGNew = nullptr;
    QLabel* lblBGCheckedinList = nullptr;
    QLabel* lblBGSearch = nullptr;
    LinkLabel* lblLinkNew = nullptr;
    LinkLabel* lblLnkCheckedInList = nullptr;
    LinkLabel* lblLnkSearch = nullptr;

    // Advertisements, picAd1 to picAd5.
    QLabel* picAd[5] = {};

    // Details page.
    QFrame* fraMain = nullptr;
    QLineEdit* txtPassNo = nullptr;
    QComboBox* ddVisitorType = nullptr;
    QLineEdit* txtName = nullptr;
    QLineEdit* txtMobileNo = nullptr;
    QLineEdit* txtEmail = nullptr;
    QComboBox* ddCompany = nullptr;
    LimitedTextEdit* txtAddress = nullptr;
    QComboBox* ddPurpose = nullptr;
    QComboBox* ddDepartment = nullptr;
    QLineEdit* txtToMeet = nullptr;
    LimitedTextEdit* txtRemarks = nullptr;
    QLabel* imgVImagePreview = nullptr;
    QFrame* fraVisitorButtons = nullptr;
    QVButton* btnUpdate = nullptr;
    QVButton* btnDelete = nullptr;
    QVButton* btnCheckOut = nullptr;
    QVButton* btnCancel = nullptr;
    QVButton* btnCheckIn = nullptr;
    QVButton* btnClear = nullptr;

    // Webcam frame over the details page.
    QFrame* fraWebCamControlContainer = nullptr;
    ctlPellora* ctlWebcam = nullptr;

    // Search page.
    QFrame* fraSearch = nullptr;
    QLineEdit* txtSearchPassNo = nullptr;
    QLineEdit* txtSearchName = nullptr;
    QLineEdit* txtSearchEmail = nullptr;
    QComboBox* ddSearchVisitorType = nullptr;
    QComboBox* ddSearchCompany = nullptr;
    QComboBox* ddSearchPurpose = nullptr;
    QComboBox* ddSearchDepartment = nullptr;
    QComboBox* txtSearchToMeet = nullptr;
    QLineEdit* txtSearchDateFrom = nullptr;
    QLineEdit* txtSearchDateTo = nullptr;
    QVButton* btnSearch = nullptr;
    QVButton* btnCancelSearch = nullptr;
    QVButton* QVReport = nullptr;
    SearchResultsModel* mdlSearchResults = nullptr;
    QTreeView* lstSearchResults = nullptr;

    // Checked-in list page.
    QFrame* fraCheckedInList = nullptr;
    VisitorListModel* mdlCheckedInList = nullptr;
    QTreeView* lstCheckedInList = nullptr;

    // Pop-up menus of the two lists.
    QMenu* mnuOptions = nullptr;
    QMenu* mnuSearchOptions = nullptr;

    MainStatusBar* statusBar = nullptr;
    QTimer* tmrScroller = nullptr;

    // Form-level fields.
    int intAdNo = 0;
    bool blnQuickPickVisitor = false;
    bool blnEditFromSearch = false;
    bool blnImageCleared = false;
    int intDeleteLeft = 0;
    bool blnPreviewRunning = false;
    int intAdCount = 0;
    QString strLoginTime;
    int intStatusTextIndex = 0;
    QString strProductURL;

    // ---- Check-in: the details page's buttons, drop-down fillers, webcam buttons ----
    // Tests reach the page's routines and fields through this class of theirs.
    friend class frmMainDetailsAccess;

    void btnCheckIn_Click();
    void btnUpdate_Click();
    void btnDelete_Click();
    void btnCheckOut_Click();
    void btnCancel_Click();
    void btnClear_Click();
    bool ValidateVisitorDetails();
    void FillVisitorFromForm(Visitor& visitor) const;
    void ReturnToOriginatingPage();
    void RememberDefaults();
    static QString RememberedDefault(const char* key);
    // Reads PassNo's visit for the page; false, once the receptionist has been told why, when
    // there is none or it could not be read (the log then has the reason under source).
    bool LoadVisitForPage(Visitor& visitor, const QString& PassNo, const QString& source);
    void ShowVisitPhoto(const QString& PassNo);
    void ShowButtonsForVisit(bool checkedOut);
    void ConnectDetailsButtons();

    // The nine lists in the order a clear refills them; lists of the same column and room share
    // one reading.
    void FillDropDowns();
    // Starts the readings the next refill takes, so they run while other work goes on.
    void StartDropDownReadings();
    void FillDDValues(const QString& ColumnName, const QString& FilterDefaults, QComboBox* box);
    void FillDetailsDD(QComboBox* box, const QString& ColumnName, const QStringList& fixedItems,
                       const QString& FilterDefaults);
    void FillSearchDD(QComboBox* box, const QString& ColumnName);
    void FillVisitorTypeDD();
    void FillCompanyDD();
    void FillPurposeDD();
    void FillDepartmentDD();
    void FillSearchVisitorTypeDD();
    void FillSearchCompanyDD();
    void FillSearchToMeetDD();
    void FillSearchPurposeDD();
    void FillSearchDepartmentDD();

    void imgCamStartPreview_Click();
    void imgCamCaptureSnap_Click();
    void imgCamClearSnap_Click();
    void imgChooseCam_Click();
    QString CaptureFileName() const;
    void BuildWebcamButtons();

    LinkLabel* imgCamStartPreview = nullptr;
    LinkLabel* imgCamCaptureSnap = nullptr;
    LinkLabel* imgCamClearSnap = nullptr;
    LinkLabel* imgChooseCam = nullptr;

    bool blnLoaded = false;
    bool blnUnloaded = false;
    // The readings of the refill under way (frmMainDropDowns.cpp), none outside one, and those
    // started for the next refill.
    struct DropDownReadings;
    DropDownReadings* ddReadings = nullptr;
    std::shared_ptr<DropDownReadings> ddPending;
    // True while a long search lets painting through before all its rows are read.
    bool blnListingSearch = false;

    // Quick Pick look-up of earlier names (frmMainQuickPick*.cpp).
public:
    // Records a look-up lists at most.
    static constexpr int QuickPickCap = 15000;

private:
    void BuildQuickPick();
    void BuildQuickPickIcons();
    void SetQuickPickTabOrder();
    // Focus and F2 of the name and to-meet boxes; the boxes still get every event.
    void QuickPickEvent(QObject* watched, QEvent* event);
    void txtName_GotFocus();
    void txtToMeet_GotFocus();
    void txtName_LostFocus();
    void txtToMeet_LostFocus();
    void imgHelpVisitor_Click();
    void imgHelpEmployee_Click();
    void OpenQuickPick(bool visitor);
    void btnQuickSearch_Click();
    void btnQuickSearchClear_Click();
    void btnHide_Click();
    void lstQuickGrid_ColumnClick(int column);
    void lstQuickGrid_DblClick();
    void LoadHelpSearch();
    void ListQuickPickRecords(const RecordSet& records);
    void SetQuickPickClosedHint(bool picked);

    QGroupBox* fraSimpleSearch = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* lblfraName = nullptr;
    QLabel* lblfraCompany = nullptr;
    QVButton* btnHide = nullptr;
    QLineEdit* txtFraName = nullptr;
    QLineEdit* txtFraCompany = nullptr;
    QVButton* btnQuickSearch = nullptr;
    QVButton* btnQuickSearchClear = nullptr;
    VisitorListModel* mdlQuickGrid = nullptr;
    QTreeView* lstQuickGrid = nullptr;
    LinkLabel* imgHelpVisitor = nullptr;
    LinkLabel* imgHelpEmployee = nullptr;
};
