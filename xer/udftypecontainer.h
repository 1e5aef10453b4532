#pragma once

#include "basecontainer.h"

// Rows of the P6 table "UDFTYPE".
class UdfTypeContainer : public BaseContainer<UdfTypeContainer>
{
};
