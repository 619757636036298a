#pragma once

#include "core/Visitor.h"

#include <QDateTime>
#include <QDialog>
#include <QString>

class QLabel;

// The visitor pass: a small card filled from one visit and the configuration, printed on the
// default printer as soon as it loads, then shown as a preview until Esc or close.
class frmPassPreview final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPassPreview)

public:
    static constexpr int ClientWidth = 339;  // 5085 twips
    static constexpr int ClientHeight = 215; // 3225 twips

    explicit frmPassPreview(QWidget* owner = nullptr);
    ~frmPassPreview() override;

    // The visit whose pass is shown; set before Load.
    Visitor PassVisitor;

    // Fills the card and prints it; runs once. Traps every error (see Form_Load).
    void Load();
    // Load, then modal until closed.
    int ShowModal();

    // "05-Mar-2024 02:30 PM", in English whatever the locale.
    static QString GetFormatedDate(const QDateTime& objDate);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void Form_KeyPress(int KeyAscii);
    void FillFromVisitor();
    void LoadPictures(const QString& baseFolder);

    // Layout (frmPassPreviewLayout.cpp).
    void BuildWindow();
    QLabel* MakeLabel(const QString& name, const QRect& place, double pointSize, bool bold,
                      Qt::Alignment alignment);
    QLabel* MakeCaption(const QString& name, const QString& caption, const QPoint& place);
    void MakeLine(const QString& name, int left, int right, int y);

    QLabel* imgLogo = nullptr;
    QLabel* lblCompanyName = nullptr;
    QLabel* lblVisitorName = nullptr;
    QLabel* lblFromCompany = nullptr;
    QLabel* lblEmployee = nullptr;
    QLabel* lblDepartment = nullptr;
    QLabel* lblDateTime = nullptr;
    QLabel* imgVisitor = nullptr;
    QLabel* lblPassNo = nullptr;
    QLabel* lblFooterBranding = nullptr;
    QLabel* lblSite = nullptr;
    QLabel* lblVisitorType = nullptr;

    bool blnLoaded = false;
};
