#include "programs/brevant/CoreTexts.h"

#include "core/Translate.h"

#include <QCoreApplication>

namespace brevant {

namespace {

std::string Translate(const char* context, const char* text)
{
    return QCoreApplication::translate(context, text).toStdString();
}

}  // namespace

void InstallCoreTranslator()
{
    InstallTranslator(&Translate);
}

}  // namespace brevant
