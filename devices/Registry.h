#pragma once
// The model registry: the only place where acquisition drivers are created.
//
// createCollection("Vosk") gives a new driver owned by the caller, or nullptr for a name the
// registry does not list or whose driver class is not part of this build. The names and the
// class each name gives are fixed in Registry.cpp; a driver class joins with one line in its
// own .cpp file, at namespace scope:
//
//     REGISTER_COLLECTION(CollectionFolen)
//
// The build collects these lines from devices/*.cpp and drivers/*/*.cpp into one generated
// start-up function, so the linker keeps every registered driver even though no code names it.

#include <QString>
#include <QStringList>

class Collection;

// A new driver for `model`, or nullptr. "Orvex-NTC" and "Orvex-RTD" first pass through
// resolveModelAlias. Call on the GUI thread only.
Collection *createCollection(QString model);

// The alias of a legacy model name from "config.ini" (key "/Name/" + model); when none is
// stored, model + "-V1" is written there and returned.
QString resolveModelAlias(QString model);

// The largest channel count of `model`'s driver (Collection::channelCount); 0 when the registry
// gives no driver for it. Call on the GUI thread only.
int modelChannelCount(const QString &model);
// True when `model`'s driver keeps the coefficients as singles
// (Collection::keepsSingleCoefficients); false when the registry gives no driver for it. Call
// on the GUI thread only.
bool modelKeepsSingleCoefficients(const QString &model);

// Every model name the registry lists, in its order.
QStringList registryModelNames();
// The driver class a listed name gives (without alias resolution); empty for other names.
QString registryClassName(const QString &model);
// The driver classes registered in this build.
QStringList registeredCollectionClasses();

using CollectionFactory = Collection *(*)();
// Makes `className` creatable; called by the lines REGISTER_COLLECTION expands to.
void registerCollectionClass(const char *className, CollectionFactory factory);

#define REGISTER_COLLECTION(ClassName)                                                         \
    void registerCollection_##ClassName()                                                      \
    {                                                                                          \
        registerCollectionClass(#ClassName, []() -> Collection * { return new ClassName; });   \
    }
