// The intermediate skinned window class.
#include "LumoBackForm.h"

namespace vesk {

TLumoBackFrm::TLumoBackFrm(QWidget *parent) : TLumoFrm(parent) {}

TLumoBackFrm::~TLumoBackFrm() = default;

} // namespace vesk
