#include "measurement_error.h"

namespace zandrel {

template class LayerError<MeasurementErrorKind>;

}  // namespace zandrel
