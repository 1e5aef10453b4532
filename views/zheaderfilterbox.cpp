#include "zheaderfilterbox.h"

namespace {

ZHeaderFilterBox::Factory &installedFactory()
{
    static ZHeaderFilterBox::Factory factory;
    return factory;
}

} // namespace

ZHeaderFilterBox::ZHeaderFilterBox(QWidget *parent)
    : QWidget(parent)
{
}

ZHeaderFilterBox::~ZHeaderFilterBox() = default;

void ZHeaderFilterBox::setFactory(const Factory &factory)
{
    installedFactory() = factory;
}

ZHeaderFilterBox *ZHeaderFilterBox::create(ZSortFilterHeader *header,
                                           ZFilterDialogProxyModel *proxy,
                                           QAbstractItemModel *model, QWidget *parent)
{
    const Factory &factory = installedFactory();
    return factory ? factory(header, proxy, model, parent) : nullptr;
}
