// The construction sheet window: pick the style, polarisation, mast and paper for the
// frequency of the main window, look at the pages, and save them as a PDF or print them.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "construction_sheet.h"
#include "default_instance.h"
#include "sheet_pages.h"

class QPrinter;

namespace Ui {
class ConstructionSheetWindow;
}

namespace zandrel {

class RuntimeError;

class ConstructionSheetWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ConstructionSheetWindow(QWidget* parent = nullptr);
    ~ConstructionSheetWindow() override;

    // Shows the sheet for the frequency text as the main window's box has it.
    void SetFrequency(const QString& frequencyText);

    // The sheet of the chosen settings; raises what computing it raises.
    ConstructionSheet CurrentSheet() const;
    Paper CurrentPaper() const;

    void UpdatePreview();
    void SavePdf();  // asks where
    void SavePdfTo(const QString& path);
    void Print();  // through the print dialog
    void PrintOn(QPrinter& printer);

  private:
    void PaintPreview(QPrinter* printer);
    QString Explain(const RuntimeError& error, const QString& failure) const;

    std::unique_ptr<Ui::ConstructionSheetWindow> ui_;
    QString frequency_;
};

// The construction sheet window's program-wide reference.
DefaultInstance<ConstructionSheetWindow>& ConstructionSheetWindowInstance();

// Opens the construction sheet window (one at a time) for `frequencyText`.
void ShowConstructionSheetWindow(const QString& frequencyText);

}  // namespace zandrel
