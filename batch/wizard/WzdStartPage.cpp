#include "WzdStartPage.h"

#include <QAbstractButton>

#include "BatchRunControl.h"
#include "TextNotationField.h"
#include "WizardContext.h"
#include "WzdSheet.h"
#include "ui_WzdStartPage.h"

CWzdStartPage::CWzdStartPage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Start Conversion", "Start the coordinate conversion"), ui(std::make_unique<Ui::CWzdStartPage>())
{
    ui->setupUi(this);
    sink = std::make_unique<CWzdRunSink>(*this, [this](const BatchNotice& notice) { Notify(notice); });
    run = std::make_unique<CBatchRunControl>(runSettings, sheet.App().conversion, sheet.Loader(), *sink);
    ui->statusText->setText(QString::fromStdString(run->StatusText()));
    ui->progressBar->setRange(0, 100);
    ui->progressBar->setValue(0);
    connect(ui->cancelButton, &QPushButton::clicked, this, &CWzdStartPage::CancelOperation);
    ui->cancelButton->setEnabled(false);
}

CWzdStartPage::~CWzdStartPage()
{
    EndRun();
}

int CWzdStartPage::nextId() const
{
    return -1;
}

void CWzdStartPage::OnSetActive()
{
    UpdateRunState();
}

bool CWzdStartPage::isComplete() const
{
    return run->RunState().finish;
}

bool CWzdStartPage::validatePage()
{
    if (run->Completed() == 1)
        return true;
    StartConversion();
    return false;
}

void CWzdStartPage::StartConversion()
{
    runSettings = Settings();
    // Map references are a text file's; a choice left from one is none for
    // the other types.
    if (runSettings.ConversionType != CONVERSION_TEXT)
        runSettings.notationColumn = 0;
    std::string why;
    if (runSettings.notationColumn != 0 && !PrepareNotationSettings(runSettings, why))
    {
        ui->statusText->setText(QStringLiteral("Text file not converted: %1").arg(QString::fromStdString(why)));
        return;
    }
    sink->Open();
    details.clear();
    if (run->StartConversion())
        UpdateRunState();
}

void CWzdStartPage::CancelOperation()
{
    run->CancelOperation();
}

void CWzdStartPage::EndRun()
{
    if (!run)
        return;
    run->CancelOperation();
    // A worker waiting for this thread is let go, then waited for.
    sink->Close();
    run->Join();
}

void CWzdStartPage::UpdateRunState()
{
    const BatchButtons buttons = run->RunState();
    ui->cancelButton->setEnabled(buttons.cancel);
    if (Sheet().currentPage() != this)
        return;
    // The wizard sets Finish from isComplete and Back from the pages
    // visited; Back then follows the run state.
    emit completeChanged();
    if (QAbstractButton* back = Sheet().button(QWizard::BackButton))
        back->setEnabled(buttons.back);
}

void CWzdStartPage::Notify(const BatchNotice& notice)
{
    run->Apply(notice);
    QString text = QString::fromStdString(run->StatusText());
    // The run's own words name no button of this wizard; here Back goes on
    // to change the settings and Finish closes.
    for (const char* ending : {kBatchAbortedText, kBatchFailedText})
    {
        const QString said = QString::fromLatin1(ending);
        if (text.startsWith(said))
            text.replace(0, said.size(),
                         said.left(said.indexOf(QLatin1Char('.')) + 1) +
                             QStringLiteral(" Press 'Back' to change the settings and convert again, or 'Finish' "
                                            "to close."));
    }
    // Every status but the one saying the run is under way is kept: a run
    // refused before it begins says why in its first one.
    if (notice.code == BATCH_STATUS && !text.endsWith(QLatin1String("please wait...")))
        details.append(text);
    else if ((notice.code == BATCH_COMPLETED || notice.code == BATCH_STOPPED) && !details.isEmpty())
    {
        text += QLatin1Char('\n') + details.join(QLatin1Char('\n'));
        details.clear();
    }
    ui->statusText->setText(text);
    // A completed run is all done, whatever share the last notice counted.
    ui->progressBar->setValue(notice.code == BATCH_COMPLETED ? 100 : run->Progress());
    if (notice.code == BATCH_COMPLETED || notice.code == BATCH_STOPPED)
        UpdateRunState();
}
