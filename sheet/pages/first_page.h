// The first page of a construction sheet: the cut list, the mast holes, the twist in words, the
// mast and its template, and the plan and side views.
#pragma once

#include "construction_sheet.h"
#include "millimetre_canvas.h"
#include "page_frame.h"
#include "template_layout.h"

class QDate;

namespace zandrel {

void PaintFirstPage(MillimetreCanvas& canvas, const ConstructionSheet& sheet,
                    const TemplateLayout& layout, const PageFrame& page, const QDate& date);

}  // namespace zandrel
