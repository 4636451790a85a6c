#pragma once

#include <QWizard>

#include "BatchSettings.h"
#include "CatalogueLoaders.h"
#include "WizardContext.h"

class CWzdPage;
class CWzdStartPage;

// The batch conversion wizard: its pages collect one BatchSettings, the last
// one runs the conversion on a worker thread. Every page decides its own next
// page; Back returns along the pages visited, which is each page's previous
// page of the flow.
class CWzdSheet : public QWizard
{
    Q_OBJECT
public:
    // Page identifiers.
    enum PageId
    {
        PageType = 1,
        PageFiles = 2,
        PageDataSource = 3,
        PageSource = 4,
        PageDestination = 5,
        PageLayout = 6,
        PageTable = 7,
        PageVectorFiles = 8,
        PagePreview = 9,
        PageStart = 10,
    };

    // Starts with the main window's four identifiers.
    CWzdSheet(CWizardContext& app, int sourceGrid, int destinationGrid, int sourceDatum, int destinationDatum,
              QWidget* parent = nullptr);
    ~CWzdSheet() override;

    BatchSettings settings;

    // The catalogue's selection dialogs for the coordinate system pages,
    // given the current identifiers: true with the chosen grid (and its
    // datum) or datum.
    bool ChooseGrid(int& gridId, int& datumId);
    bool ChooseDatum(int& datumId);
    // The file dialog of the Browse buttons: given a filter in the
    // "Name|pattern|...||" form, the default extension, whether the file is
    // to be written and the current path, the chosen full path; empty when
    // cancelled. Neither kind asks before overwriting.
    QString ChooseFile(const QString& filter, const QString& defaultExtension, bool save, const QString& current);

    CWizardContext& App() const { return app; }
    CRecordLoader& Loader() { return loader; }
    CWzdStartPage& StartPage() const { return *startPage; }

    // "Name|pattern|Name|pattern||" as the name filters of a file dialog; a
    // pattern of every file, "*.*", matches names without a dot too.
    static QStringList FileFilters(const QString& filter);

public slots:
    // Closing while a run is in progress cancels the run and waits for its
    // worker, which uses the settings and the start page to its end.
    void done(int result) override;

private:
    void Activate(int id);

    CWizardContext& app;
    CCatalogueRecordLoader loader;
    CWzdStartPage* startPage = nullptr;
};

// Opens the wizard modally with a window's four identifiers and returns when
// it has closed.
void RunBatchWizard(CWizardContext& app, int sourceGrid, int destinationGrid, int sourceDatum, int destinationDatum,
                    QWidget* parent);
