#pragma once

#include <QWizardPage>
#include <string>

class CWzdSheet;
struct BatchSettings;

// What every page of the batch wizard shares: the sheet whose settings it
// writes, and its activation, which runs each time the page becomes the
// current one, going forward or back.
class CWzdPage : public QWizardPage
{
    Q_OBJECT
public:
    CWzdPage(CWzdSheet& sheet, const char* caption, const char* headerTitle);

    // The page becomes the current one.
    virtual void OnSetActive() {}

    CWzdSheet& Sheet() const { return sheet; }
    BatchSettings& Settings() const;

protected:
    // A file page's two names: both given and not the same; else false after
    // saying which is wrong.
    static bool FileNamesUsable(const std::string& source, const std::string& destination);

private:
    CWzdSheet& sheet;
};
