// A page of the drilling template: its tile of the strip at 1:1 with the holes, the ruler and
// the join marks, and the glue bands and cutting lines that join it to its neighbours.
#pragma once

#include "construction_sheet.h"
#include "millimetre_canvas.h"
#include "page_frame.h"
#include "template_layout.h"

namespace zandrel {

void PaintTemplatePage(MillimetreCanvas& canvas, const ConstructionSheet& sheet,
                       const TemplateLayout& layout, int column, int row, const PageFrame& page);

}  // namespace zandrel
