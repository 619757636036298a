#pragma once

#include "RecordSet.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// One visit, one row of the table "VisitorRegister", with the operations that read and write it.
// Callers create a Visitor for one operation, set the members it reads, call it and read back.
class Visitor final {
public:
    static constexpr const char* InsertFailedMessage =
        "An error occured while inserting a new record.\r\n"
        "Restarting the application may solve the issue.";
    static constexpr const char* UpdateFailedMessage =
        "An error occured while updating the record.\r\n"
        "Restarting the application may solve the issue.";
    static constexpr const char* MissingVisitMessage =
        "Record does not exist. It might have been deleted!";

    // What a load found: the visit, no row of its pass number, or a database it could not read.
    enum class LoadResult { Loaded, NoSuchVisit, Unreadable };

    // The contact number's upper bound and its wording, shared with the details page's checks.
    static constexpr int ContactNoMaxLength = 50;
    static constexpr const char* ContactNoTooLongMessage =
        "Contact No. must be lesser than 50 character in length";
    // A contact number as typed: one number as the platform reads numbers, or only digits, "-",
    // "+" and blanks.
    static bool IsContactNoText(const QString& text);

    // Both date members start here, 30 December 1899 00:00:00.
    static QDateTime ZeroDate();

    Visitor();

    void SetPassNo(const QString& value);
    QString PassNo() const;
    void SetVisitorName(const QString& value);
    QString VisitorName() const;
    void SetContactNo(const QString& value);
    QString ContactNo() const;
    void SetEmail(const QString& value);
    QString Email() const;
    void SetVisitorType(const QString& value);
    QString VisitorType() const;
    void SetCompany(const QString& value);
    QString Company() const;
    void SetAddress(const QString& value);
    QString Address() const;
    void SetPurpose(const QString& value);
    QString Purpose() const;
    void SetToMeet(const QString& value);
    QString ToMeet() const;
    void SetDepartment(const QString& value);
    QString Department() const;
    void SetRemarks(const QString& value);
    QString Remarks() const;
    void SetCheckedIn(const QDateTime& value);
    QDateTime CheckedIn() const;
    void SetCheckedOut(const QDateTime& value);
    QDateTime CheckedOut() const;
    // Day-first date texts ("dd-MM-yyyy" or "d-M-yyyy") bounding a search.
    void SetSearchDateFrom(const QString& value);
    QString SearchDateFrom() const;
    void SetSearchDateTo(const QString& value);
    QString SearchDateTo() const;
    // Before a save: the bare name of a captured photo in the temporary folder, or "".
    // After a save: the full path of the stored photo.
    void SetImageFile(const QString& value);
    QString ImageFile() const;
    // For an update: the user cleared the photo, so the stored one goes with the row's change
    // (a new photo in ImageFile takes its place instead).
    void SetImageCleared(bool value);
    bool ImageCleared() const;
    // Validation lines, each ended by CR LF, or the database failure text of the last save.
    QString ErrorMessage() const;

    // Validates, takes the next free pass number into PassNo, stores the row and moves the photo;
    // when the photo cannot be moved no row stays.
    bool InsertVisitorRecord();
    // Validates and updates the row of PassNo; the stored photo is replaced by a new one, or
    // removed when cleared, only together with the row, and stays as it was otherwise. True only
    // when exactly the one row changed; a visit deleted meanwhile is false, saying so.
    bool UpdateVisitorRecord();
    // Sets the check-out time of PassNo's visit. False, with ErrorMessage saying why, when the
    // visit was not checked out: the database refused, or the visit is gone.
    [[nodiscard]] bool CheckOutVisitor();
    // The photo and the row of PassNo; when the photo cannot be deleted the row stays, and when
    // the row cannot be deleted the photo stays. False, with ErrorMessage saying why, when the
    // visit is still stored. A visit already deleted elsewhere counts as deleted.
    [[nodiscard]] bool DeleteVisitor();
    // The photo of PassNo and a set-aside copy of it (left by a change cut short), so nothing of
    // an earlier visit under this number remains. Raises CoreError when one exists but cannot be
    // deleted, or PassNo is no plain name.
    void DeleteVisitorImage();
    // "" after an error, which is logged.
    QString GetNextPassNo();
    // Reads the row of PassNo into the members; false when there is none or it could not be read.
    bool LoadVisitor();
    // As LoadVisitor, telling a missing row from a database that could not be read; ErrorMessage
    // then says why. A photo that a change cut short left set aside goes back in place, when no
    // other workstation holds the write lock and the row is still there.
    LoadResult ReadVisitor();
    // Nothing (nullopt) when a search date is unreadable or the query failed.
    std::optional<RecordSet> GetVisitorList(const RecordSet::FirstRows& firstRows = {});
    std::optional<RecordSet> GetCheckedInVisitorList();
    // These double the quotes in the members first, so each is built once per record.
    QString GetInsertQuery();
    QString GetUpdateQuery();
    // FilterDefaults is a parenthesised list of quoted values, such as "('General', 'Vendor')".
    // Column names must be columns of the table. MaxValues above 0 gives no more values than
    // that, and reads only as far as it must to keep them, however many the column holds.
    // Nothing (nullopt) when a name or the list is not valid (logged) or the query failed.
    std::optional<RecordSet> GetDDValues(const QString& ColumnName,
                                         const QString& FilterDefaults = QString(),
                                         int MaxValues = 0);
    // Distinct pairs of two columns whose values match the two LIKE patterns; pairs that differ
    // only in letter case are one pair, in the spelling met first. MaxRecords above 0 keeps no more
    // pairs than that and reads little beyond them, so a look-up that lists a few thousand stays
    // fast however many distinct pairs the table holds.
    std::optional<RecordSet> FillSimpleSearch(const QString& Column1, const QString& Column2,
                                              const QString& Filter1, const QString& Filter2,
                                              int MaxRecords = 0);
    bool IsVisitorCheckedOut() const;

private:
    void EscapeQuotes();
    bool ValidateVisitor();
    void AddErrorLine(const QString& line);

    QString InsertText() const;
    QString UpdateText() const;
    // A captured photo put in place for a check-in that is not committed yet.
    struct InsertedPhoto {
        QString source;
        QString heldTemp;
        QString destination;
    };
    bool StoreWithNextPassNo();
    void PlaceInsertedPhoto(InsertedPhoto& photo);
    static void TakeBackInsertedPhoto(const InsertedPhoto& photo);
    QString PhotoPath() const;
    // A change's photo work, done while the row's change holds the write lock: the stored photo
    // is set aside, a new one put in place, and the set-aside one taken into memory before the
    // COMMIT; a change that is not committed puts the stored photo back.
    void ChangePhotoWhileLocked(const QString& newPhoto, const QString& source);
    void SetPhotoAside();
    void TakeSetAsidePhoto();
    void KeepChangedPhoto();
    void PutBackPhoto(const QString& problem, const QString& source);
    void ForgetPhotoChange();
    void ReportPhotoProblem(const QString& problem, const QString& source);
    void FailWith(const QString& failure);
    void RestoreSetAsidePhoto();

    QString m_passNo;
    QString m_visitorName;
    QString m_contactNo;
    QString m_email;
    QString m_visitorType;
    QString m_company;
    QString m_address;
    QString m_purpose;
    QString m_toMeet;
    QString m_department;
    QString m_remarks;
    QDateTime m_checkedIn;
    QDateTime m_checkedOut;
    QString m_searchDateFrom;
    QString m_searchDateTo;
    QString m_imageFile;
    bool m_imageCleared = false;
    QString m_errorMessage;
    // A change's photo work under way: the stored photo set aside or taken into memory, a new
    // one in place.
    bool m_photoSetAside = false;
    bool m_newPhotoPlaced = false;
    std::optional<QByteArray> m_oldPhoto;
};
