#pragma once

#include <memory>
#include <string>
#include <vector>

#include "WzdPage.h"

namespace Ui {
class CWzdPreviewPage;
}

// The preview of the source coordinates of a text file or a table, as they
// will be read.
class CWzdPreviewPage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdPreviewPage(CWzdSheet& sheet);
    ~CWzdPreviewPage() override;

    void OnSetActive() override;
    int nextId() const override;

private:
    void CreateColumns();
    // A text file's reference field, read as the source, and its altitude.
    static std::vector<std::vector<std::string>> PreviewReferences(const BatchSettings& settings);
    // A table's points with their heights (three decimals), read in one
    // query so that each height stays with its point; otherwise as
    // PreviewDatabaseTable shows a table.
    static std::vector<std::vector<std::string>> PreviewTableHeights(const BatchSettings& settings);
    void Show(const std::vector<std::vector<std::string>>& rows);

    std::unique_ptr<Ui::CWzdPreviewPage> ui;
};
