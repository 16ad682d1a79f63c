@echo off
rem the manual
man\HarvaneManual.pdf
