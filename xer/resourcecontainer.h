#pragma once

#include "basecontainer.h"

// Rows of the P6 table "RSRC".
class ResourceContainer : public BaseContainer<ResourceContainer>
{
};
