#include "diag/TnOldError.h"

TnOldError::TnOldError(const TnString& text) {
    resetFields();
    value_ = text;
}
