#include "calc/engines/Engines.h"

#include "base/CalcError.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/Cal3.h"
#include "calc/engines/Cal4.h"
#include "calc/engines/Cal5.h"

std::unique_ptr<CCalHaichi> MakeEngine(const EngineVariant& variant)
{
    switch (variant.Kind) {
        case kBlockEngine: {
            auto engine = std::make_unique<CCal1>();
            engine->CandidateFlag = variant.Second;
            engine->AreaFlag = variant.Area;
            return engine;
        }
        case kStripEngine: {
            auto engine = std::make_unique<CCal2>();
            engine->Order = variant.Order;
            engine->Level = variant.Level;
            engine->AreaFlag = variant.Area;
            return engine;
        }
        case kStackEngine: {
            auto engine = std::make_unique<CCal3>();
            engine->Order = variant.Order;
            engine->Level = 2;
            engine->SecondFlag = variant.Second;
            engine->AreaFlag = variant.Area;
            return engine;
        }
        case kRowEngine: {
            auto engine = std::make_unique<CCal4>();
            engine->Order = variant.Order;
            engine->Level = variant.Level;
            engine->SecondFlag = variant.Second;
            engine->AreaFlag = variant.Area;
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
