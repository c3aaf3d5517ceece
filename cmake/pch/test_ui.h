// The headers of the window's tests: the window's, GoogleTest's and Qt
// Test's (cmake/pch.cmake).
#pragma once

#include "ui.h"

#include <gtest/gtest.h>

#include <fstream>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
