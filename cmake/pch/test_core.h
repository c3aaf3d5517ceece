// The headers of the core's tests: the core's, GoogleTest's and Qt Test's
// (cmake/pch.cmake).
#pragma once

#include "core.h"

#include <gtest/gtest.h>

#include <fstream>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
