// The construction sheet window: pick the style, polarisation, mast and paper for the
// frequency of the main window, look at the pages, and save them as a PDF or print them.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

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

    // Computes the sheet of the chosen settings and shows it, or, when there is none, says why
    // in its place and raises what computing it raised.
    void UpdatePreview();
    void SavePdf();  // asks where
    void SavePdfTo(const QString& path);
    void Print();  // through the print dialog, or offers a PDF when there is no printer
    void PrintOn(QPrinter& printer);

    // "zandrel2-OneTurn-137.50MHz-LHCP-a4.pdf": what the sheet of the chosen settings is saved
    // as unless the user says otherwise.
    QString DefaultFileName() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PaintPreview(QPrinter* printer);
    void ShowNoSheet(const QString& why);
    void ShowMastDiameterRange();
    void RememberChoices() const;
    void RestoreChoices();
    QString Explain(const RuntimeError& error, const QString& failure) const;

    std::unique_ptr<Ui::ConstructionSheetWindow> ui_;
    QString frequency_;
    std::optional<ConstructionSheet> sheet_;  // what the preview shows; none when it cannot
    QString rejectedMastText_;  // a typed mast diameter outside the range, until it is corrected
};

// The construction sheet window's program-wide reference.
DefaultInstance<ConstructionSheetWindow>& ConstructionSheetWindowInstance();

// Opens the construction sheet window (one at a time) for `frequencyText`.
void ShowConstructionSheetWindow(const QString& frequencyText);

}  // namespace zandrel
