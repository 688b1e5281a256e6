#include "calc/engines/Engines.h"

#include "base/CalcError.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/Cal3.h"
#include "calc/engines/Cal4.h"
#include "calc/engines/Cal5.h"

namespace {

// The variant fields every strip engine takes (the stack and row-first engines are strip engines
// too); `level` is the stage limit.
template <class Engine>
std::unique_ptr<Engine> StripEngine(const EngineVariant& variant, int level)
{
    auto engine = std::make_unique<Engine>();
    engine->Order = variant.Order;
    engine->Level = level;
    engine->AreaFlag = variant.Area;
    return engine;
}

}  // namespace

std::unique_ptr<CCalHaichi> MakeEngine(const EngineVariant& variant)
{
    switch (variant.Kind) {
        case kBlockEngine: {
            auto engine = std::make_unique<CCal1>();
            engine->CandidateFlag = variant.Second;
            engine->AreaFlag = variant.Area;
            return engine;
        }
        case kStripEngine: return StripEngine<CCal2>(variant, variant.Level);
        case kStackEngine: {
            auto engine = StripEngine<CCal3>(variant, 2);
            engine->SecondFlag = variant.Second;
            return engine;
        }
        case kRowEngine: {
            auto engine = StripEngine<CCal4>(variant, variant.Level);
            engine->SecondFlag = variant.Second;
            return engine;
        }
        case kSearchEngine: {
            auto engine = std::make_unique<CCal5>();
            engine->Job = variant.Order;
            engine->Jobs = kSearchJobs;
            engine->Level = variant.Level;
            engine->Effort = variant.Second;
            return engine;
        }
    }
    throw CalcError("unknown engine kind " + std::to_string(variant.Kind));
}
