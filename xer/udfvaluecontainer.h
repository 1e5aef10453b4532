#pragma once

#include "basecontainer.h"

// Rows of the P6 table "UDFVALUE".
class UdfValueContainer : public BaseContainer<UdfValueContainer>
{
};
