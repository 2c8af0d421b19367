#include "core/DeviceParams.h"

namespace brevant {

void SharedText::Set(std::string_view text)
{
    std::lock_guard lock(mutex_);
    text_.assign(text.substr(0, kCapacity));
}

std::string SharedText::Get() const
{
    std::lock_guard lock(mutex_);
    return text_;
}

namespace {

void Clear(Value& v)
{
    v.store(0);
}
void Clear(Channels& c)
{
    for (auto& v : c)
        v.store(0);
}
void Clear(Matrix& m)
{
    for (auto& row : m)
        Clear(row);
}
void Clear(ResultBlocks& b)
{
    for (auto& block : b)
        for (auto& v : block)
            v.store(0);
}

}  // namespace

void DeviceParams::Reset()
{
    for (Channels* c :
         {&MG, &MM, &MA, &MF, &MC, &MR, &MRon, &MI, &MT, &ML, &ME, &MS, &OV, &OM, &OD, &OF, &OH, &OL})
        Clear(*c);
    Clear(MX);
    Clear(XG);
    for (Value* v :
         {&MB, &MP, &SN, &CN, &CP, &CT, &CNValid, &CPValid, &CTValid, &SM, &CE, &CG0, &CG1, &CG2, &CG3, &SS})
        Clear(*v);
    Clear(DSR);
    Clear(ESR);
    SV.Set("");
    SA.Set("");
    DeviceFamily.store(1);
}

}  // namespace brevant
