#pragma once

#include <memory>

#include <QStringList>

#include "BatchRunControl.h"
#include "WzdPage.h"
#include "WzdRunSink.h"

namespace Ui {
class CWzdStartPage;
}

// The start page: Finish starts a run on a worker thread (or, after a
// completed run, closes the wizard); the page shows the worker's status text
// and progress, and Cancel Operation asks the worker to stop.
class CWzdStartPage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdStartPage(CWzdSheet& sheet);
    // Ends a run still in progress first.
    ~CWzdStartPage() override;

    void OnSetActive() override;
    int nextId() const override;
    bool isComplete() const override;
    // Finish: closes the wizard after a completed run, else starts one.
    bool validatePage() override;

    void StartConversion();
    void CancelOperation();
    // Sets the wizard's buttons and Cancel Operation from the run state.
    void UpdateRunState();
    // Cancels a run in progress and waits for its worker to end.
    void EndRun();

    CBatchRunControl& RunControl() { return *run; }

private:
    // A worker's notification, on the user-interface thread.
    void Notify(const BatchNotice& notice);

    std::unique_ptr<Ui::CWzdStartPage> ui;
    std::unique_ptr<CWzdRunSink> sink;
    // What a run converts with: the sheet's settings as the run needs them
    // (a side read or written as a position notation is on its datum); the
    // pages keep the user's choices.
    BatchSettings runSettings;
    std::unique_ptr<CBatchRunControl> run;
    // What the worker said besides that it is converting (why a run failed,
    // warnings, how many records were saved): shown under the end text,
    // which would otherwise replace it.
    QStringList details;
};
