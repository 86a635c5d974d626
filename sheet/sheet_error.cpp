#include "sheet_error.h"

namespace zandrel {

template class LayerError<SheetErrorKind>;

}  // namespace zandrel
