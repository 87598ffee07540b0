#include "tools/core/base_exception.h"

namespace Tools {

BaseException::~BaseException() = default;

} // namespace Tools
